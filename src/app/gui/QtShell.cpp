#include "app/gui/QtShell.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

void QtShell::openInBrowser(const std::string& pathOrUrl) {
    const QString target = QString::fromStdString(pathOrUrl);
    QUrl url;
    if (QFileInfo::exists(target))
        url = QUrl::fromLocalFile(QFileInfo(target).absoluteFilePath());
    else
        url = QUrl::fromUserInput(target);
    QDesktopServices::openUrl(url);
}

void QtShell::startProgram(const std::string& program, const std::string& parameter) {
    QStringList arguments;
    if (!parameter.empty())
        arguments << QString::fromStdString(parameter);
    QProcess::startDetached(QString::fromStdString(program), arguments);
}
