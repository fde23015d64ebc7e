// TfrmNewSite: the selection window's "New Site..." dialog. The person types an address and
// presses Find; the address is fetched on a worker thread (with a busy bar and Cancel) and what
// it holds decides the rest: a feed is offered as an entry, a page's feeds are listed to pick
// from, a page without one opens the rule editor. Add (or the editor's Save) writes the entry
// to Categories.xml and hands its selection entry to the selection window.
#pragma once

#include "library/AddressLookup.h"

#include <QDialog>

#include <atomic>
#include <memory>
#include <thread>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;

class TfrmNewSite : public QDialog {
    Q_OBJECT
  public:
    explicit TfrmNewSite(QWidget* parent = nullptr);
    ~TfrmNewSite() override; // cancels a find in progress and waits for it to end

    static constexpr int kHelpTopic = 1210;

    // Puts the address in and finds it, as typing it and pressing Find does (a feed link).
    void FindAddress(const QString& address);
    void cmdFindClick();
    void cmdCancelClick();
    void cmdAddClick();
    void cmdRuleClick();
    void cmdHelpClick();

  signals:
    // The selection entry ("Category->Name") of the site just written to the library.
    void siteAdded(const QString& entry);

  private:
    void CreateControls();
    void StartLookup(const std::string& address);
    void LookupDone(const nimbrel::AddressLookup& found);
    void FeedPicked(int row);
    void ShowBusy(bool busy);
    void OpenRuleEditor();
    void Added(const std::string& entry);

    QLineEdit* txtAddress = nullptr;
    QPushButton* cmdFind = nullptr;
    QProgressBar* prgFind = nullptr;
    QPushButton* cmdCancel = nullptr;
    QLabel* lblStatus = nullptr;
    QListWidget* lstFeeds = nullptr;
    QLineEdit* txtName = nullptr;
    QComboBox* cboCategory = nullptr;
    QPushButton* cmdAdd = nullptr;
    QPushButton* cmdRule = nullptr;
    QPushButton* cmdHelp = nullptr;
    QPushButton* cmdClose = nullptr;

    std::thread finder_;
    std::atomic<bool> cancel_{false};
    bool busy_ = false;
    bool pickingLink_ = false;     // the lookup running is of a feed picked from the page
    nimbrel::AddressLookup found_; // the last page or feed found
    nimbrel::AddressLookup feed_;  // the feed Add would write (kind Feed), else empty
};
