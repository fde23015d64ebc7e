// TfrmSetup: the web page selection window. The library tree beside the user's list; writes
// setup.nml and setup.xml. Created once at start, hidden; only shown and hidden afterwards.
#pragma once

#include "components/MSXML2_TLB.h"
#include "library/SelectionList.h"
#include "pipeline/LibraryDocument.h"

#include <QWidget>
#include <optional>
#include <string>

class QFrame;
class QLabel;
class QListWidget;
class QPushButton;
class QTextEdit;
class QTreeWidget;

class TfrmNewSite;

class TfrmSetup : public QWidget {
    Q_OBJECT
  public:
    explicit TfrmSetup(QWidget* parent = nullptr);

    // Refills the list from setup.nml when that file exists, then brings setup.xml's copies of
    // its entries up to date with the library. Invokable by name, so the windows that show this
    // one need not include it.
    Q_INVOKABLE void LoadCurrentSetup();

    // The entries of the list, as their bytes.
    nimbrel::SelectionEntries Entries() const;
    // 1200 once the library has been read; 0 when set-up stopped early.
    int HelpContext() const { return helpContext_; }
    // Where the save and open dialogs start; empty when set-up stopped early.
    const std::string& SaveDialogFolder() const { return saveDialogFolder_; }

    void cmdAddSiteClick();
    void cmdRemoveClick();
    void cmdRemoveAllClick();
    void cmdSaveSelectionClick();
    void cmdLoadClick();
    void cmdHelpClick();
    void Button3Click(); // "< Back"
    void Button1Click(); // "Next >"
    void cmdCloseClick();
    // "New Site...": a feed or a page of the person's own into the library and the list.
    void cmdNewSiteClick();
    // The New Site dialog, shown in front; what it adds joins the list.
    TfrmNewSite* ShowNewSite();
    // "Edit Rule...": the rule editor on the selected site's rule and the page it has now.
    void cmdEditRuleClick();

  private:
    void FormCreate();
    void CreateControls();
    void ConnectButtons();
    void LoadBanner();
    void FillTree();
    void SetEntries(const nimbrel::SelectionEntries& entries);
    void AddEntry(const std::string& entry);
    void WriteSelection();
    bool KeepSelectionXml() const;
    void SiteAdded(const std::string& entry);
    std::string SelectedSiteEntry() const;

    QLabel* Image1 = nullptr;
    QTextEdit* txtWelcome = nullptr;
    QTextEdit* txtWelcome1 = nullptr;
    QFrame* Bevel1 = nullptr;
    QFrame* Bevel2 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QTreeWidget* TreeView1 = nullptr;
    QListWidget* ListBoxSiteSelection = nullptr;
    QPushButton* cmdAddSite = nullptr;
    QPushButton* cmdRemove = nullptr;
    QPushButton* cmdRemoveAll = nullptr;
    QPushButton* cmdLoad = nullptr;
    QPushButton* cmdSaveSelection = nullptr;
    QPushButton* cmdNewSite = nullptr;
    QPushButton* cmdEditRule = nullptr;
    QPushButton* cmdHelp = nullptr;
    QPushButton* Button3 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* cmdClose = nullptr;

    // Created in FormCreate, after the banner, and kept for the window's lifetime.
    std::optional<nimbrel::msxml::XmlDocument> library_;
    std::optional<nimbrel::msxml::XmlDocument> selection_;
    nimbrel::LibraryState libraryState_ = nimbrel::LibraryState::Missing;
    std::string saveDialogFolder_;
    int helpContext_ = 0;
};
