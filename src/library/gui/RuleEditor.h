// TfrmRuleEditor: writing the rule for a page that names no feed. Fields for the start and end
// markers and the command's other settings; beside them the pieces the rule cuts from the
// fetched page and the block the display step makes of them with the chosen stylesheet, worked
// out on a worker thread a moment after the last keystroke, so typing never waits. Save writes
// Rip/<safe name>.xml and the library entry.
#pragma once

#include "library/RulePreview.h"

#include <QDialog>

#include <cstdint>
#include <memory>
#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;
class QTableWidget;
class QTextBrowser;
class QTimer;

class TfrmRuleEditor : public QDialog {
    Q_OBJECT
  public:
    // The page as fetched (UTF-8) and where it was fetched from (the new site's URL). Raises
    // nimbrel::EInOutError when the page cannot be stored for the preview.
    TfrmRuleEditor(const std::string& pageText, std::string pageUrl, const std::string& name,
                   const std::string& category, QWidget* parent = nullptr);
    ~TfrmRuleEditor() override; // waits for a preview in progress

    static constexpr int kHelpTopic = 1220;
    static constexpr int kPreviewDelayMs = 300;

    // The rule as the fields now say.
    nimbrel::RuleSettings Settings() const;

    void cmdSaveClick();
    void cmdHelpClick();

  signals:
    void saved(const QString& entry);

  private:
    void CreateControls();
    QWidget* CreateRuleFields();
    QWidget* CreatePreview();
    void ConnectChanges();
    void RequestPreview();
    void PreviewDone(uint64_t request, const nimbrel::RulePreview& preview);

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
    std::unique_ptr<nimbrel::RulePreviewWorker> worker_;
    uint64_t latestRequest_ = 0;
};
