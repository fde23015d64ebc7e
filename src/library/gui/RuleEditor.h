// TfrmRuleEditor: writing the rule for a page that names no feed, or editing the rule of a site
// of the library. Fields for the start and end markers and the command's other settings; beside
// them the page's source with every match of each marker highlighted and counted, and the
// pieces the rule cuts from the page with the block the display step makes of them, worked out
// on a worker thread a moment after the last keystroke, so typing never waits. Suggest fills
// the fields from one item's text as the person sees it on the page (ExampleRule.h); on a site
// whose rule finds nothing any more, Repair fills them from the links its last good digest
// showed. Save writes Rip/<safe name>.xml and the library entry, or replaces the site's rule.
#pragma once

#include "library/ExampleRule.h"
#include "library/LibraryFile.h"
#include "library/RulePreview.h"
#include "library/SiteRules.h"

#include <QDialog>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;
class QTextBrowser;
class QTimer;

class TfrmRuleEditor : public QDialog {
    Q_OBJECT
  public:
    // A new site: the page as fetched (UTF-8) and where it was fetched from (the new site's
    // URL). Raises nimbrel::EInOutError when the page cannot be stored for the preview.
    TfrmRuleEditor(const std::string& pageText, std::string pageUrl, const std::string& name,
                   const std::string& category, QWidget* parent = nullptr);
    // A library site's rule, on the page it has now (PrepareRuleEditing); Save replaces it.
    TfrmRuleEditor(const nimbrel::RuleEditing& editing, const std::string& entry,
                   QWidget* parent = nullptr);
    ~TfrmRuleEditor() override; // waits for a preview, a suggestion or a repair in progress

    // Opens the editor on the rule of the library entry, or says why it cannot.
    static void EditSiteRule(const std::string& entry, QWidget* parent);

    static constexpr int kHelpTopic = 1220;
    static constexpr int kEditHelpTopic = 1230;
    static constexpr int kPreviewDelayMs = 300;

    // The rule as the fields now say, and the fields set to a rule.
    nimbrel::RuleSettings Settings() const;
    void ShowSettings(const nimbrel::RuleSettings& rule);

    void cmdSaveClick();
    void cmdHelpClick();
    void cmdSuggestClick();
    void cmdRepairClick();

  signals:
    void saved(const QString& entry);
    void previewShown(); // a preview of the newest rule is on screen
    void helped();       // a suggestion or a repair has filled the fields, or said why not

  private:
    void CreateControls();
    QWidget* CreateRuleFields();
    QWidget* CreateSource();
    QWidget* CreatePreview();
    void SetToolTips();
    void ConnectChanges();
    void RequestPreview();
    void PreviewDone(uint64_t request, const nimbrel::RulePreview& preview);
    void ShowMarkerMatches();
    void OfferRepair();
    // Runs a suggestion or a repair (the rule and the message when it found one) on the helper
    // thread; `status` says how it went.
    void RunHelper(const std::function<std::pair<nimbrel::RuleProposal, std::string>()>& work,
                   QLabel* status);
    void HelperDone(const nimbrel::RuleProposal& proposal, const std::string& message,
                    QLabel* status);
    int HelpTopic() const { return site_ ? kEditHelpTopic : kHelpTopic; }

    QLineEdit* txtExample = nullptr;
    QPushButton* cmdSuggest = nullptr;
    QLabel* lblSuggest = nullptr;
    QLabel* lblRepair = nullptr;
    QPushButton* cmdRepair = nullptr;
    QLineEdit* txtStartMarker = nullptr;
    QCheckBox* chkStartInclude = nullptr;
    QSpinBox* spnStartReverse = nullptr;
    QSpinBox* spnStartSkip = nullptr;
    QLineEdit* txtEndMarker = nullptr;
    QCheckBox* chkEndInclude = nullptr;
    QSpinBox* spnEndReverse = nullptr;
    QSpinBox* spnEndSkip = nullptr;
    QSpinBox* spnSpecific = nullptr;
    QTableWidget* tblRemove = nullptr;
    QTableWidget* tblReplace = nullptr;
    QLineEdit* txtWrapOpen = nullptr;
    QLineEdit* txtWrapClose = nullptr;
    QCheckBox* chkTitle = nullptr;
    QComboBox* cboStyleSheet = nullptr;
    QPlainTextEdit* txtSource = nullptr;
    QLabel* lblMatches = nullptr;
    QLabel* lblPreview = nullptr;
    QListWidget* lstPieces = nullptr;
    QTextBrowser* txtBlock = nullptr;
    QLineEdit* txtName = nullptr;
    QComboBox* cboCategory = nullptr;
    QPushButton* cmdSave = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdHelp = nullptr;
    QTimer* tmrPreview = nullptr;

    std::string pageUrl_;
    std::string pageText_;
    std::string cutterPage_; // the page as the cutter reads it, lower-cased, for counting
    std::optional<nimbrel::LibrarySite> site_; // the site whose rule is edited
    std::string entry_;
    std::unique_ptr<nimbrel::RulePreviewWorker> worker_;
    uint64_t latestRequest_ = 0;
    std::thread helper_; // a suggestion or repair in progress; one at a time
    bool helping_ = false;
};
