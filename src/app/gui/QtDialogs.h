// The dialog service of the desktop program: Qt message boxes and file dialogs.
#pragma once

#include "platform/Dialogs.h"

#include <QFileDialog>
#include <QString>

class QtDialogs : public nimbrel::DialogService {
  public:
    void showMessage(const std::string& text) override;
    bool askYesNo(const std::string& text) override;
    void showError(const std::string& text) override;
    std::optional<std::string> openFile(const nimbrel::FileDialogRequest& request) override;
    std::optional<std::string> saveFile(const nimbrel::FileDialogRequest& request) override;
};

// "Caption|patterns|Caption|patterns" turned into Qt's filters, "Shown (patterns)" joined by
// ";;": Qt matches the patterns (separated by ";" here, by blanks there) and, opened with
// QtFileDialogOptions(), shows only the part before them. A caption that lists its patterns
// itself, "Selections (*.nms)", is shown as it is; any other gets the patterns added. A filter
// without "|" is taken as it is.
QString QtFileFilter(const std::string& filter);

// The options every file dialog of the program is opened with.
QFileDialog::Options QtFileDialogOptions();

// The window a message box or file dialog belongs to: the modal dialog in front, else the
// active window, unless a window kept on top of the others is on screen, which would hide the
// dialog: then that one.
QWidget* DialogParent();

// Shows a window in front of its parent. A parent kept on top of the others hands that on, or
// the window would open behind it.
void ShowInFrontOfParent(QWidget* window);
