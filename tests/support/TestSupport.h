// Helpers for tests: a temporary program folder, the scripted dialogs, a recorded Halt,
// a recording shell, and small file helpers.
#pragma once

#include "components/HttpFetch.h"
#include "platform/Dialogs.h"
#include "platform/Shell.h"
#include "support/WrittenRecords.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace nimbrel::test {

// A fresh program folder with the subfolders Sites, Work, Temp, Rip, stylesheets, icons and
// Profile; set as the program folder for the test's lifetime and removed afterwards.
class TempProgramFolder {
  public:
    explicit TempProgramFolder(bool withSubfolders = true);
    ~TempProgramFolder();
    const std::string& path() const { return path_; }
    std::string file(const std::string& relative) const { return path_ + "/" + relative; }
    void write(const std::string& relative, const std::string& bytes) const;
    std::string read(const std::string& relative) const;
    bool exists(const std::string& relative) const;

  private:
    std::string path_;
};

// Answers questions and file dialogs from queues and records everything shown.
class ScriptedDialogs : public DialogService {
  public:
    ScriptedDialogs();  // installs itself
    ~ScriptedDialogs(); // restores the console dialogs

    void showMessage(const std::string& text) override;
    bool askYesNo(const std::string& text) override;
    void showError(const std::string& text) override;
    std::optional<std::string> openFile(const FileDialogRequest& request) override;
    std::optional<std::string> saveFile(const FileDialogRequest& request) override;

    void setNextAnswer(bool yes) { answers.push_back(yes); }
    void setNextFileName(std::optional<std::string> name) { fileNames.push_back(std::move(name)); }

    std::vector<std::string> messages;  // showMessage texts
    std::vector<std::string> questions; // askYesNo texts
    std::vector<std::string> errors;    // showError texts
    std::vector<FileDialogRequest> fileRequests;
    std::deque<bool> answers;                         // default No when empty
    std::deque<std::optional<std::string>> fileNames; // default cancelled when empty
    // Runs while a message or an error is on screen, as events do in a message box's loop.
    std::function<void()> whileShown;
};

// Records Halt requests; Halt then throws HaltRequested.
class HaltRecorder {
  public:
    HaltRecorder();
    ~HaltRecorder();
    int count = 0;
    int lastExitCode = -1;
};

// Records what would be opened or started.
class RecordingShell : public ShellService {
  public:
    RecordingShell();
    ~RecordingShell();
    void openInBrowser(const std::string& pathOrUrl) override { opened.push_back(pathOrUrl); }
    void startProgram(const std::string& program, const std::string& parameter) override {
        started.push_back(program + " " + parameter);
    }
    std::vector<std::string> opened;
    std::vector<std::string> started;
};

// Every transfer from now on uses these bounds (tests shorten them); {} restores the limits.
void SetDefaultHttpBounds(const HttpBounds& bounds);

std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);

// ../shared/fixtures/real/<name>, or empty when the folder is absent (tests then skip).
std::string RealFixture(const std::string& name);

// A rule file that cuts every <b>...</b> piece (markers included), and a page long enough for
// the cutter (it passes over pages under 128 bytes) holding <b>text</b>: for cycle tests.
extern const char* const kBoldRule;
std::string BoldPage(const std::string& text);

// A program folder ready for whole cycles: the bold rule as Rip/rule.xml, a site stylesheet
// stylesheets/s.xsl that makes <div class="block">bold text</div>, and a layout setup.xslt with
// one column per site. SelectBoldSites writes setup.xml with those names for (name, URL) pairs.
void WriteCycleFiles(const TempProgramFolder& folder);
void SelectBoldSites(const TempProgramFolder& folder,
                     const std::vector<std::pair<std::string, std::string>>& sites);

// Copies the shipped program folder (data/ of the source tree) into the test's folder.
void CopyShippedData(const TempProgramFolder& folder);

// Path of a file under tests/fixtures in the source tree.
std::string RepoFixture(const std::string& relative);

// The top of the digest's frame of the named site (the name as written in the page): its start
// tag with the site's data, its head and its note when it has one; empty when the page has no
// frame of that name.
std::string FrameTop(const std::string& page, const std::string& name);

// The piece written `times` times in a row (deeply nested or long hostile texts).
std::string Repeated(const std::string& piece, size_t times);

} // namespace nimbrel::test
