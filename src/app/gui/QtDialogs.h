// The dialog service of the desktop program: Qt message boxes and file dialogs.
#pragma once

#include "platform/Dialogs.h"

#include <QString>

class QtDialogs : public nimbrel::DialogService {
  public:
    void showMessage(const std::string& text) override;
    bool askYesNo(const std::string& text) override;
    void showError(const std::string& text) override;
    std::optional<std::string> openFile(const nimbrel::FileDialogRequest& request) override;
    std::optional<std::string> saveFile(const nimbrel::FileDialogRequest& request) override;
};

// "Caption|patterns|Caption|patterns" turned into Qt's "Caption (patterns);;Caption (patterns)";
// patterns separated by ";" become blank-separated. A filter without "|" is taken as it is.
QString QtFileFilter(const std::string& filter);
