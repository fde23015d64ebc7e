#include "app/gui/QtDialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <QStringList>

namespace {

QString Text(const std::string& text) {
    return QString::fromStdString(text);
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

namespace {

bool StaysOnTop(const QWidget* window) {
    return window && window->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

QWidget* VisibleWindowOnTop() {
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible() && StaysOnTop(window))
            return window;
    return nullptr;
}

// A dialog of a window kept on top is kept on top too, or it could open behind its owner.
void StayBeside(QWidget* dialog, const QWidget* parent) {
    if (parent && StaysOnTop(parent->window()))
        dialog->setWindowFlag(Qt::WindowStaysOnTopHint);
}

QMessageBox::StandardButton Ask(QMessageBox::Icon icon, const std::string& text,
                                QMessageBox::StandardButtons buttons,
                                QMessageBox::StandardButton preferred) {
    QWidget* parent = DialogParent();
    QMessageBox box(icon, QApplication::applicationName(), Text(text), buttons, parent);
    box.setDefaultButton(preferred);
    StayBeside(&box, parent);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

std::optional<std::string> RunFileDialog(const nimbrel::FileDialogRequest& request,
                                         QFileDialog::AcceptMode mode) {
    QWidget* parent = DialogParent();
    QFileDialog dialog(parent, QString(), Text(request.initialFolder),
                       QtFileFilter(request.filter));
    dialog.setOptions(QtFileDialogOptions());
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    StayBeside(&dialog, parent);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    const QString chosen = dialog.selectedFiles().constFirst();
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen.toStdString();
}

} // namespace

QWidget* DialogParent() {
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    QWidget* active = QApplication::activeWindow();
    if (StaysOnTop(active))
        return active;
    QWidget* onTop = VisibleWindowOnTop();
    return onTop ? onTop : active;
}

void ShowInFrontOfParent(QWidget* window) {
    StayBeside(window, window->parentWidget());
    window->show();
    window->raise();
    window->activateWindow();
}

void QtDialogs::showMessage(const std::string& text) {
    Ask(QMessageBox::Information, text, QMessageBox::Ok, QMessageBox::Ok);
}

bool QtDialogs::askYesNo(const std::string& text) {
    return Ask(QMessageBox::Warning, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) ==
           QMessageBox::Yes;
}

void QtDialogs::showError(const std::string& text) {
    Ask(QMessageBox::Critical, text, QMessageBox::Ok, QMessageBox::Ok);
}

std::optional<std::string> QtDialogs::openFile(const nimbrel::FileDialogRequest& request) {
    return RunFileDialog(request, QFileDialog::AcceptOpen);
}

std::optional<std::string> QtDialogs::saveFile(const nimbrel::FileDialogRequest& request) {
    const auto chosen = RunFileDialog(request, QFileDialog::AcceptSave);
    if (!chosen)
        return std::nullopt;
    return WithDefaultExtension(QString::fromStdString(*chosen), request.defaultExtension);
}
