#include "library/gui/setup.h"
#include "wizard/WizardFrame.h"

#include "app/gui/AppHelp.h"
#include "app/gui/Forms.h"
#include "app/gui/QtDialogs.h"
#include "app/hh_funcs.h"
#include "library/SelectionEntry.h"
#include "library/SelectionXml.h"
#include "library/gui/NewSiteDialog.h"
#include "library/gui/RuleEditor.h"
#include "pipeline/LibraryDocument.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/ProgramFolder.h"
#include "wizard/Layout.h"
#include "wizard/welcome.h"

#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QTextEdit>
#include <QTreeWidget>
#include <functional>

using namespace nimbrel;

namespace {

constexpr int kHelpTopic = 1200;
constexpr int kListLineHeight = 15;
const char* const kSelectionFilter =
    "Site Selection files (*.nml *.nms)|*.[nN][mM][lL];*.[nN][mM][sS]";
const char* const kSelectionExtension = ".nms";
const char* const kSaveQuestion = "Save the current web page list ?";
const char* const kSelectionXmlKept =
    "setup.xml was left as it was: Categories.xml could not be read, so the sites of this "
    "selection cannot be looked up. Correct Categories.xml and start Nimbrel again.";

// A read-only rich text without a border, as the window's two welcome texts are shown.
QFrame* MakeBevel(QWidget* parent, const char* name, int left, int top, int width) {
    auto* line = new QFrame(parent);
    line->setObjectName(name);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(left, top, width, 2);
    return line;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const char* text, QRect place) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setGeometry(place);
    return button;
}

// An error that escapes a handler ends that handler and goes to the general error display.
void Guarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const nimbrel::Exception& e) {
        Dialogs().showError(e.message());
    }
}

FileDialogRequest SelectionDialog(const std::string& initialFolder) {
    return {kSelectionFilter, kSelectionExtension, initialFolder};
}

} // namespace

TfrmSetup::TfrmSetup(QWidget* parent) : QWidget(parent) {
    setObjectName("frmSetup");
    setWindowTitle("Nimbrel Web Page Selection");
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint |
                   Qt::WindowStaysOnTopHint);
    setFixedSize(526, 428);
    setFont(FrameFont());
    CreateControls();
    ConnectButtons();
    FormCreate();
}

void TfrmSetup::CreateControls() {
    Image1 = new QLabel(this);
    Image1->setObjectName("Image1");
    Image1->setGeometry(10, 10, 114, 314);
    txtWelcome = CreateFrameText(this, "txtWelcome", {150, 10, 350, 20}, true);
    Bevel1 = MakeBevel(this, "Bevel1", 150, 40, 351);
    txtWelcome1 = CreateFrameText(this, "txtWelcome1", {150, 52, 350, 63});
    Label1 = new QLabel("Web Page Library", this);
    Label1->setObjectName("Label1");
    Label1->move(150, 127);
    Label2 = new QLabel("My Selection", this);
    Label2->setObjectName("Label2");
    Label2->move(370, 127);
    TreeView1 = new QTreeWidget(this);
    TreeView1->setObjectName("TreeView1");
    TreeView1->setGeometry(150, 154, 140, 170);
    TreeView1->setIndentation(19);
    TreeView1->setHeaderHidden(true);
    ListBoxSiteSelection = new QListWidget(this);
    ListBoxSiteSelection->setObjectName("ListBoxSiteSelection");
    ListBoxSiteSelection->setGeometry(370, 154, 140, 170);
    ListBoxSiteSelection->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListBoxSiteSelection->setUniformItemSizes(true);
    cmdAddSite = MakeButton(this, "cmdAddSite", "Add", {295, 167, 70, 20});
    cmdRemove = MakeButton(this, "cmdRemove", "Remove", {295, 196, 70, 20});
    cmdRemoveAll = MakeButton(this, "cmdRemoveAll", "Remove All", {295, 225, 70, 20});
    cmdLoad = MakeButton(this, "cmdLoad", "Open", {338, 343, 80, 20});
    cmdSaveSelection = MakeButton(this, "cmdSaveSelection", "Save As", {428, 343, 80, 20});
    cmdNewSite = MakeButton(this, "cmdNewSite", "New Site...", {150, 343, 80, 20});
    cmdEditRule = MakeButton(this, "cmdEditRule", "Edit Rule...", {235, 343, 95, 20});
    Bevel2 = MakeBevel(this, "Bevel2", 12, 377, 502);
    cmdHelp = MakeButton(this, "cmdHelp", "Help", {115, 394, 93, 23});
    Button3 = MakeButton(this, "Button3", "< Back", {217, 394, 93, 23});
    Button1 = MakeButton(this, "Button1", "Next >", {319, 394, 93, 23});
    Button1->setFont(FrameFont(true));
    cmdClose = MakeButton(this, "cmdClose", "Close", {421, 394, 93, 23});
}

void TfrmSetup::ConnectButtons() {
    const std::pair<QPushButton*, void (TfrmSetup::*)()> handlers[] = {
        {cmdAddSite, &TfrmSetup::cmdAddSiteClick},
        {cmdRemove, &TfrmSetup::cmdRemoveClick},
        {cmdRemoveAll, &TfrmSetup::cmdRemoveAllClick},
        {cmdSaveSelection, &TfrmSetup::cmdSaveSelectionClick},
        {cmdLoad, &TfrmSetup::cmdLoadClick},
        {cmdNewSite, &TfrmSetup::cmdNewSiteClick},
        {cmdEditRule, &TfrmSetup::cmdEditRuleClick},
        {cmdHelp, &TfrmSetup::cmdHelpClick},
        {Button3, &TfrmSetup::Button3Click},
        {Button1, &TfrmSetup::Button1Click},
        {cmdClose, &TfrmSetup::cmdCloseClick}};
    for (const auto& [button, handler] : handlers)
        connect(button, &QPushButton::clicked, this,
                [this, handler = handler] { Guarded([this, handler] { (this->*handler)(); }); });
}

void TfrmSetup::FormCreate() {
    // A missing banner is reported, and the window works without it.
    Guarded([this] { LoadBanner(); });
    txtWelcome->setPlainText("Select web pages to view with the Nimbrel");
    txtWelcome1->setPlainText("Web pages can be selected from the current category list.");

    library_ = msxml::XmlDocument::Create();
    library_->setAsync(false);
    selection_ = msxml::XmlDocument::Create();
    selection_->setAsync(false);

    const LibraryLoad load = LoadWebPageLibrary(*library_);
    libraryState_ = load.state;
    if (load.state != LibraryState::Loaded) {
        Dialogs().showMessage(load.message);
        return;
    }
    FillTree();
    saveDialogFolder_ = ProgramFile("\\Profile\\");
    helpContext_ = kHelpTopic;
    SetHelpContext(this, helpContext_);
}

void TfrmSetup::LoadBanner() {
    const std::string path = ProgramFile("\\icons\\banner_vert1.jpg");
    QPixmap banner;
    if (!banner.load(QString::fromStdString(path)))
        throw EFOpenError(path);
    Image1->setPixmap(banner);
    Image1->resize(banner.size());
}

void TfrmSetup::FillTree() {
    TreeView1->clear();
    for (const LibraryCategory& category : ReadLibraryTree(*library_)) {
        auto* node = new QTreeWidgetItem(TreeView1, {QString::fromStdString(category.name)});
        for (const LibraryTreeSite& site : category.sites)
            new QTreeWidgetItem(node, {QString::fromStdString(site.name)});
    }
}

// The item keeps the entry's bytes, so a selection file in any encoding is written back as read.
void TfrmSetup::AddEntry(const std::string& entry) {
    auto* item = new QListWidgetItem(QString::fromStdString(entry), ListBoxSiteSelection);
    item->setData(Qt::UserRole, QByteArray::fromStdString(entry));
    item->setSizeHint({0, kListLineHeight});
}

void TfrmSetup::SetEntries(const SelectionEntries& entries) {
    ListBoxSiteSelection->clear();
    for (const std::string& entry : entries)
        AddEntry(entry);
}

SelectionEntries TfrmSetup::Entries() const {
    SelectionEntries entries;
    for (int i = 0; i < ListBoxSiteSelection->count(); ++i)
        entries.push_back(
            ListBoxSiteSelection->item(i)->data(Qt::UserRole).toByteArray().toStdString());
    return entries;
}

// A library that is there but did not load would turn every entry into an error cell: then
// setup.xml, what the downloads read, is kept until the library is mended, the user is told and
// the answer is true. A missing library is nothing to keep a selection for: false, and its
// entries become error cells.
bool TfrmSetup::KeepSelectionXml() const {
    if (libraryState_ != LibraryState::Unreadable)
        return false;
    Dialogs().showMessage(kSelectionXmlKept);
    return true;
}

void TfrmSetup::WriteSelection() {
    if (!KeepSelectionXml())
        return nimbrel::WriteSelection(*library_, Entries(), *selection_);
    SaveSetupNml(Entries());
}

void TfrmSetup::LoadCurrentSetup() {
    if (const auto entries = LoadSetupNml())
        SetEntries(*entries);
    if (libraryState_ != LibraryState::Loaded)
        return;
    // Entries edited in Categories.xml since setup.xml was written reach the download. Only a
    // courtesy: a copy that cannot be refreshed now is written with the selection next time.
    try {
        RefreshSelectionXml(*library_, Entries(), *selection_);
    } catch (const Exception&) {
    }
}

void TfrmSetup::cmdAddSiteClick() {
    const QTreeWidgetItem* node = TreeView1->currentItem();
    if (!node || !node->isSelected() || !node->parent())
        return;
    const QByteArray category = node->parent()->text(0).toUtf8();
    const QByteArray site = node->text(0).toUtf8();
    AddEntry(MakeSelectionEntry(category.toStdString(), site.toStdString()));
}

void TfrmSetup::cmdRemoveClick() {
    for (int i = ListBoxSiteSelection->count() - 1; i >= 0; --i)
        if (ListBoxSiteSelection->item(i)->isSelected())
            delete ListBoxSiteSelection->takeItem(i);
}

void TfrmSetup::cmdRemoveAllClick() {
    ListBoxSiteSelection->clear();
}

void TfrmSetup::cmdSaveSelectionClick() {
    const auto path = Dialogs().saveFile(SelectionDialog(saveDialogFolder_));
    if (!path)
        return;
    SaveSelectionList(*path, Entries());
    WriteSelection();
}

void TfrmSetup::cmdLoadClick() {
    // Where Save As puts them.
    const auto path = Dialogs().openFile(SelectionDialog(saveDialogFolder_));
    if (!path)
        return;
    // Read first: a file that cannot be read leaves the list as it was.
    SetEntries(LoadSelectionList(*path));
    if (!KeepSelectionXml())
        ListToXml(*library_, Entries(), *selection_);
}

// The button always asks for the window's topic, even when set-up stopped before the window
// got its help context.
void TfrmSetup::cmdHelpClick() {
    ShowHelpContext(kHelpTopic);
}

void TfrmSetup::cmdNewSiteClick() {
    ShowNewSite();
}

TfrmNewSite* TfrmSetup::ShowNewSite() {
    auto* dialog = new TfrmNewSite(this);
    connect(dialog, &TfrmNewSite::siteAdded, this,
            [this](const QString& entry) { SiteAdded(entry.toUtf8().toStdString()); });
    ShowInFrontOfParent(dialog);
    return dialog;
}

// The site selected in the library tree, else the entry selected in the list.
std::string TfrmSetup::SelectedSiteEntry() const {
    const QTreeWidgetItem* node = TreeView1->currentItem();
    if (node && node->isSelected() && node->parent())
        return MakeSelectionEntry(node->parent()->text(0).toUtf8().toStdString(),
                                  node->text(0).toUtf8().toStdString());
    const QListWidgetItem* entry = ListBoxSiteSelection->currentItem();
    return entry && entry->isSelected() ? entry->text().toUtf8().toStdString() : std::string();
}

void TfrmSetup::cmdEditRuleClick() {
    const std::string entry = SelectedSiteEntry();
    if (entry.empty())
        Dialogs().showMessage("Select a site in the library or in your list first.");
    else
        TfrmRuleEditor::EditSiteRule(entry, this);
}

// The library grew: the tree and the lookups see the new site, and it joins the list.
void TfrmSetup::SiteAdded(const std::string& entry) {
    libraryState_ = LoadWebPageLibrary(*library_).state;
    if (libraryState_ == LibraryState::Loaded)
        FillTree();
    AddEntry(entry);
}

void TfrmSetup::Button3Click() {
    QWidget* welcome = frmWizardWelcome;
    if (welcome)
        welcome->move(pos());
    hide();
    if (welcome)
        welcome->show();
}

void TfrmSetup::Button1Click() {
    QWidget* layout = frmLayout;
    if (layout)
        layout->move(pos());
    WriteSelection();
    hide();
    if (layout)
        layout->show();
}

void TfrmSetup::cmdCloseClick() {
    if (Dialogs().askYesNo(kSaveQuestion))
        WriteSelection();
    hide();
}
