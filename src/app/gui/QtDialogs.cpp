#include "app/gui/QtDialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <QStringList>

namespace {

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

QWidget* ActiveWindow() {
    return QApplication::activeWindow();
}

// The default extension is added when the name the user typed has none, as the common dialogs
// do.
std::string WithDefaultExtension(const QString& chosen, const std::string& extension) {
    std::string name = chosen.toStdString();
    if (extension.empty())
        return name;
    const auto slash = name.find_last_of('/');
    const auto dot = name.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        name += extension.front() == '.' ? extension : "." + extension;
    return name;
}

} // namespace

QString QtFileFilter(const std::string& filter) {
    const QStringList parts = Text(filter).split('|');
    if (parts.size() < 2)
        return Text(filter);
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns = patterns.replace(';', ' ').simplified();
        const QString caption = parts[i].trimmed();
        const QString shown =
            caption.endsWith(')') ? caption : QStringLiteral("%1 (%2)").arg(caption, patterns);
        filters << QStringLiteral("%1 (%2)").arg(shown, patterns);
    }
    return filters.join(";;");
}

QFileDialog::Options QtFileDialogOptions() {
    return QFileDialog::HideNameFilterDetails;
}

void QtDialogs::showMessage(const std::string& text) {
    QMessageBox::information(ActiveWindow(), QApplication::applicationName(), Text(text));
}

bool QtDialogs::askYesNo(const std::string& text) {
    return QMessageBox::warning(ActiveWindow(), QApplication::applicationName(), Text(text),
                                QMessageBox::Yes | QMessageBox::No,
                                QMessageBox::Yes) == QMessageBox::Yes;
}

void QtDialogs::showError(const std::string& text) {
    QMessageBox::critical(ActiveWindow(), QApplication::applicationName(), Text(text));
}

std::optional<std::string> QtDialogs::openFile(const nimbrel::FileDialogRequest& request) {
    const QString chosen =
        QFileDialog::getOpenFileName(ActiveWindow(), QString(), Text(request.initialFolder),
                                     QtFileFilter(request.filter), nullptr, QtFileDialogOptions());
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen.toStdString();
}

std::optional<std::string> QtDialogs::saveFile(const nimbrel::FileDialogRequest& request) {
    const QString chosen =
        QFileDialog::getSaveFileName(ActiveWindow(), QString(), Text(request.initialFolder),
                                     QtFileFilter(request.filter), nullptr, QtFileDialogOptions());
    if (chosen.isEmpty())
        return std::nullopt;
    return WithDefaultExtension(chosen, request.defaultExtension);
}
