// Message boxes and file dialogs, behind one interface: Qt in the desktop program, stderr in
// nimbrel-digest, a scripted fake in tests. The core asks through Dialogs(), never Qt directly.
#pragma once

#include <optional>
#include <string>

namespace nimbrel {

struct FileDialogRequest {
    std::string filter;           // "Site Selection files (*.nml)|*.NML" style: caption|patterns
    std::string defaultExtension; // ".nms"
    std::string initialFolder;    // may be empty
};

class DialogService {
  public:
    virtual ~DialogService() = default;
    // A plain message box with an OK button.
    virtual void showMessage(const std::string& text) = 0;
    // A warning box with the buttons Yes and No; true for Yes.
    virtual bool askYesNo(const std::string& text) = 0;
    // The application's general error display for an error no handler caught.
    virtual void showError(const std::string& text) = 0;
    // The chosen file's path, or nothing when cancelled.
    virtual std::optional<std::string> openFile(const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> saveFile(const FileDialogRequest& request) = 0;
};

// Messages on stderr, "No" to every question, no file chosen: for runs without a screen.
class ConsoleDialogs : public DialogService {
  public:
    void showMessage(const std::string& text) override;
    bool askYesNo(const std::string& text) override;
    void showError(const std::string& text) override;
    std::optional<std::string> openFile(const FileDialogRequest&) override { return {}; }
    std::optional<std::string> saveFile(const FileDialogRequest&) override { return {}; }
};

// The dialogs in force (ConsoleDialogs until another service is installed).
DialogService& Dialogs();
// Installs a service (not owned); nullptr restores the console dialogs.
void SetDialogs(DialogService* service);

} // namespace nimbrel
