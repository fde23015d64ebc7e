#include "library/gui/NewSiteDialog.h"

#include "app/gui/AppHelp.h"
#include "app/gui/QtDialogs.h"
#include "app/hh_funcs.h"
#include "library/LibraryFile.h"
#include "library/NewSite.h"
#include "library/gui/RuleEditor.h"
#include "library/gui/SiteFields.h"
#include "platform/Convert.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>

using namespace nimbrel;
using Kind = AddressLookup::Kind;

namespace {

QPushButton* MakeButton(QWidget* parent, const char* name, const char* text) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

const char* FeedKind(const std::string& type) {
    return type == "atom" ? "an Atom feed" : "an RSS feed";
}

} // namespace

TfrmNewSite::TfrmNewSite(QWidget* parent) : QDialog(parent) {
    setObjectName("frmNewSite");
    setWindowTitle("New Site");
    setAttribute(Qt::WA_DeleteOnClose);
    CreateControls();
    SetHelpContext(this, kHelpTopic);
    ShowBusy(false);
}

TfrmNewSite::~TfrmNewSite() {
    cancel_ = true;
    if (finder_.joinable())
        finder_.join();
}

void TfrmNewSite::CreateControls() {
    auto* grid = new QGridLayout(this);
    auto* addressLabel = new QLabel("Address of a feed or a web page:", this);
    txtAddress = new QLineEdit(this);
    txtAddress->setObjectName("txtAddress");
    txtAddress->setPlaceholderText("https://example.org/");
    addressLabel->setBuddy(txtAddress);
    cmdFind = MakeButton(this, "cmdFind", "Find");
    prgFind = new QProgressBar(this);
    prgFind->setObjectName("prgFind");
    prgFind->setRange(0, 0); // busy, without a known end
    prgFind->setTextVisible(false);
    cmdCancel = MakeButton(this, "cmdCancel", "Cancel");
    lblStatus = new QLabel(this);
    lblStatus->setObjectName("lblStatus");
    lblStatus->setWordWrap(true);
    lstFeeds = new QListWidget(this);
    lstFeeds->setObjectName("lstFeeds");
    txtName = new QLineEdit(this);
    txtName->setObjectName("txtName");
    cboCategory = MakeCategoryBox(this, kDefaultSiteCategory);
    cmdAdd = MakeButton(this, "cmdAdd", "Add");
    cmdRule = MakeButton(this, "cmdRule", "Write a Rule...");
    cmdHelp = MakeButton(this, "cmdHelp", "Help");
    cmdClose = MakeButton(this, "cmdClose", "Close");

    grid->addWidget(addressLabel, 0, 0, 1, 3);
    grid->addWidget(txtAddress, 1, 0, 1, 2);
    grid->addWidget(cmdFind, 1, 2);
    grid->addWidget(prgFind, 2, 0, 1, 2);
    grid->addWidget(cmdCancel, 2, 2);
    grid->addWidget(lblStatus, 3, 0, 1, 3);
    grid->addWidget(lstFeeds, 4, 0, 1, 3);
    grid->addWidget(new QLabel("Name:", this), 5, 0);
    grid->addWidget(txtName, 5, 1, 1, 2);
    grid->addWidget(new QLabel("Category:", this), 6, 0);
    grid->addWidget(cboCategory, 6, 1, 1, 2);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {cmdHelp, cmdRule, cmdAdd, cmdClose})
        buttons->addWidget(button);
    grid->addLayout(buttons, 7, 0, 1, 3);
    // Spare height goes to the list of feeds, or stays empty above the entry's fields while the
    // list is hidden, so the address and its buttons keep together at the top.
    grid->setRowStretch(4, 1);
    resize(480, 380);

    connect(txtAddress, &QLineEdit::returnPressed, this, &TfrmNewSite::cmdFindClick);
    connect(cmdFind, &QPushButton::clicked, this, &TfrmNewSite::cmdFindClick);
    connect(cmdCancel, &QPushButton::clicked, this, &TfrmNewSite::cmdCancelClick);
    connect(cmdAdd, &QPushButton::clicked, this, &TfrmNewSite::cmdAddClick);
    connect(cmdRule, &QPushButton::clicked, this, &TfrmNewSite::cmdRuleClick);
    connect(cmdHelp, &QPushButton::clicked, this, &TfrmNewSite::cmdHelpClick);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::close);
    connect(lstFeeds, &QListWidget::currentRowChanged, this, &TfrmNewSite::FeedPicked);
}

void TfrmNewSite::ShowBusy(bool busy) {
    busy_ = busy;
    prgFind->setVisible(busy);
    cmdCancel->setEnabled(busy);
    cmdFind->setEnabled(!busy);
    txtAddress->setEnabled(!busy);
    lstFeeds->setEnabled(!busy);
    lstFeeds->setVisible(found_.kind == Kind::PageWithFeeds);
    cmdAdd->setEnabled(!busy && feed_.kind == Kind::Feed);
    cmdRule->setEnabled(!busy && !found_.pageText.empty());
}

void TfrmNewSite::FindAddress(const QString& address) {
    txtAddress->setText(address);
    cmdFindClick();
}

void TfrmNewSite::cmdFindClick() {
    if (busy_)
        return;
    const std::string address = S(txtAddress->text());
    if (const std::string problem = AddressProblem(address); !problem.empty()) {
        lblStatus->setText(Q(problem));
        Dialogs().showMessage(problem);
        return;
    }
    found_ = {};
    feed_ = {};
    lstFeeds->clear();
    pickingLink_ = false;
    StartLookup(address);
}

void TfrmNewSite::StartLookup(const std::string& address) {
    if (finder_.joinable())
        finder_.join(); // the last lookup has posted its result already: this is immediate
    cancel_ = false;
    lblStatus->setText(Q("Fetching " + SiteAddress(address) + " ..."));
    ShowBusy(true);
    finder_ = std::thread([this, address] {
        AddressLookup found = LookUpAddress(address, &cancel_);
        QMetaObject::invokeMethod(
            this, [this, found = std::move(found)] { LookupDone(found); }, Qt::QueuedConnection);
    });
}

void TfrmNewSite::cmdCancelClick() {
    if (!busy_)
        return;
    cancel_ = true;
    lblStatus->setText("Cancelling ...");
}

void TfrmNewSite::LookupDone(const AddressLookup& found) {
    const bool pickedLink = pickingLink_;
    pickingLink_ = false;
    if (found.cancelled) {
        lblStatus->setText("Cancelled.");
    } else if (pickedLink && found.kind != Kind::Feed) {
        lblStatus->setText(Q("That link does not lead to a feed. " + found.message));
    } else if (found.kind == Kind::Failed) {
        lblStatus->setText(Q(found.message));
        Dialogs().showMessage(found.message);
    } else if (found.kind == Kind::Feed) {
        feed_ = found;
        if (!pickedLink)
            found_ = found;
        txtName->setText(Q(found.feed.title));
        lblStatus->setText(Q("Found " + std::string(FeedKind(found.feed.type)) + ": \"" +
                             found.feed.title + "\". Choose its name and category, then Add."));
    } else {
        found_ = found;
        txtName->setText(Q(found.pageTitle));
        if (found.kind == Kind::PageWithFeeds) {
            for (const FeedLink& link : found.links)
                lstFeeds->addItem(
                    Q((link.title.empty() ? link.url : link.title + "  -  " + link.url)));
            const std::string listed =
                found.linkCount > found.links.size()
                    ? " (the first " + std::to_string(found.links.size()) + " are listed)"
                    : std::string();
            lblStatus->setText(Q("The page names " + CountOf(found.linkCount, "feed", "feeds") +
                                 listed + ": pick one."));
        } else {
            lblStatus->setText(
                "The page names no feed: write a rule that cuts what you want from it.");
        }
    }
    ShowBusy(false);
    if (!pickedLink && found.kind == Kind::PageWithoutFeed)
        OpenRuleEditor();
}

void TfrmNewSite::FeedPicked(int row) {
    if (busy_ || row < 0 || row >= static_cast<int>(found_.links.size()))
        return;
    feed_ = {};
    pickingLink_ = true;
    StartLookup(found_.links[static_cast<size_t>(row)].url);
}

void TfrmNewSite::cmdAddClick() {
    if (feed_.kind != Kind::Feed)
        return;
    try {
        Added(AddFeedToLibrary(S(cboCategory->currentText()), S(txtName->text()), feed_.address,
                               feed_.feed.type));
    } catch (const Exception& refused) {
        Dialogs().showMessage(refused.message());
    }
}

void TfrmNewSite::cmdRuleClick() {
    if (!found_.pageText.empty())
        OpenRuleEditor();
}

void TfrmNewSite::OpenRuleEditor() {
    try {
        auto* editor = new TfrmRuleEditor(found_.pageText, found_.finalUrl, S(txtName->text()),
                                          S(cboCategory->currentText()), this);
        connect(editor, &TfrmRuleEditor::saved, this,
                [this](const QString& entry) { Added(S(entry)); });
        ShowInFrontOfParent(editor);
    } catch (const Exception& error) {
        Dialogs().showMessage(error.message());
    }
}

void TfrmNewSite::Added(const std::string& entry) {
    emit siteAdded(Q(entry));
    close();
}

void TfrmNewSite::cmdHelpClick() {
    ShowHelpContext(kHelpTopic);
}
