#include "library/gui/RuleEditor.h"

#include "app/gui/AppHelp.h"
#include "app/gui/QtDialogs.h"
#include "app/hh_funcs.h"
#include "library/NewSite.h"
#include "library/SelectionEntry.h"
#include "library/gui/SiteFields.h"
#include "platform/Convert.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/Files.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTableWidget>
#include <QTextBrowser>
#include <QTimer>
#include <QVBoxLayout>

using namespace nimbrel;

namespace {

constexpr int kMaxCount = 999; // counts beyond this find nothing on any real page
// A piece may be most of a page: the list shows its start.
constexpr size_t kShownPieceBytes = 2000;

QString Shown(const std::string& piece) {
    if (piece.size() <= kShownPieceBytes)
        return Q(piece);
    return Q(std::string(Utf8Prefix(piece, kShownPieceBytes)) + " ...");
}

template <typename T> T* Named(T* widget, const char* name) {
    widget->setObjectName(name);
    return widget;
}

QSpinBox* MakeCount(QWidget* parent, const char* name, const char* zeroText = nullptr) {
    auto* box = Named(new QSpinBox(parent), name);
    box->setRange(0, kMaxCount);
    if (zeroText)
        box->setSpecialValueText(zeroText);
    return box;
}

// Two columns of texts, paired by row; a row is added whenever the last one gets a text, up to
// the 50 pairs the cutter reads.
QTableWidget* MakePairTable(QWidget* parent, const char* name, const QString& first,
                            const QString& second) {
    auto* table = Named(new QTableWidget(2, 2, parent), name);
    table->setHorizontalHeaderLabels({first, second});
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    table->verticalHeader()->setVisible(false);
    QObject::connect(table, &QTableWidget::itemChanged, table, [table](QTableWidgetItem* item) {
        const int last = table->rowCount() - 1;
        if (item->row() == last && !item->text().isEmpty() && table->rowCount() < kRuleTableSize)
            table->insertRow(table->rowCount());
    });
    return table;
}

std::vector<TextPair> PairsOf(const QTableWidget* table) {
    std::vector<TextPair> pairs;
    for (int row = 0; row < table->rowCount(); ++row) {
        const QTableWidgetItem* first = table->item(row, 0);
        const QTableWidgetItem* second = table->item(row, 1);
        pairs.push_back(
            {first ? S(first->text()) : std::string(), second ? S(second->text()) : std::string()});
    }
    return pairs;
}

void ShowPairs(QTableWidget* table, const std::vector<TextPair>& pairs) {
    table->setRowCount(0);
    table->setRowCount(2);
    for (size_t row = 0; row < pairs.size(); ++row) {
        table->setItem(static_cast<int>(row), 0, new QTableWidgetItem(Q(pairs[row].first)));
        table->setItem(static_cast<int>(row), 1, new QTableWidgetItem(Q(pairs[row].second)));
    }
}

QGroupBox* MarkerGroup(QWidget* parent, const char* title, QLineEdit* text, QCheckBox* include,
                       QSpinBox* reverse, QSpinBox* skip) {
    auto* group = new QGroupBox(title, parent);
    auto* grid = new QGridLayout(group);
    grid->addWidget(text, 0, 0, 1, 4);
    grid->addWidget(include, 1, 0, 1, 4);
    grid->addWidget(new QLabel("Pass over", group), 2, 0);
    grid->addWidget(skip, 2, 1);
    grid->addWidget(new QLabel("Step back over \"<\"", group), 2, 2);
    grid->addWidget(reverse, 2, 3);
    return group;
}

MarkerSettings MarkerOf(const QLineEdit* text, const QCheckBox* include, const QSpinBox* reverse,
                        const QSpinBox* skip) {
    return {S(text->text()), include->isChecked(), reverse->value(), skip->value()};
}

void ShowMarker(const MarkerSettings& marker, QLineEdit* text, QCheckBox* include,
                QSpinBox* reverse, QSpinBox* skip) {
    text->setText(Q(marker.text));
    include->setChecked(marker.include);
    reverse->setValue(marker.reverse);
    skip->setValue(marker.skip);
}

} // namespace

TfrmRuleEditor::TfrmRuleEditor(const std::string& pageText, std::string pageUrl,
                               const std::string& name, const std::string& category,
                               QWidget* parent)
    : QDialog(parent), pageUrl_(std::move(pageUrl)), pageText_(pageText) {
    setObjectName("frmRuleEditor");
    setWindowTitle("New Site: Rule");
    setAttribute(Qt::WA_DeleteOnClose);
    CreateControls();
    txtName->setText(Q(name));
    cboCategory->setCurrentText(Q(category));
    ConnectChanges();
    RequestPreview();
}

TfrmRuleEditor::TfrmRuleEditor(const RuleEditing& editing, const std::string& entry,
                               QWidget* parent)
    : QDialog(parent), pageUrl_(editing.site.url), pageText_(editing.pageText), site_(editing.site),
      entry_(entry) {
    setObjectName("frmRuleEditor");
    setWindowTitle(Q("Edit Rule: " + entry));
    setAttribute(Qt::WA_DeleteOnClose);
    CreateControls();
    ShowSettings(editing.rule);
    txtName->setText(Q(editing.site.name));
    cboCategory->setCurrentText(Q(SplitSelectionEntry(entry).category));
    txtName->setEnabled(false);
    cboCategory->setEnabled(false);
    cboStyleSheet->setCurrentText(Q(editing.site.styleSheet));
    cboStyleSheet->setEnabled(false);
    OfferRepair();
    ConnectChanges();
    RequestPreview();
}

TfrmRuleEditor::~TfrmRuleEditor() {
    if (helper_.joinable())
        helper_.join();
    worker_.reset(); // before the controls its answers would reach go
}

void TfrmRuleEditor::EditSiteRule(const std::string& entry, QWidget* parent) {
    const RuleEditing editing = PrepareRuleEditing(entry);
    if (!editing.problem.empty()) {
        Dialogs().showMessage(editing.problem);
        return;
    }
    ShowInFrontOfParent(new TfrmRuleEditor(editing, entry, parent));
}

void TfrmRuleEditor::CreateControls() {
    auto page = std::make_shared<const PreviewPage>(pageText_, pageUrl_);
    cutterPage_ = LowerAscii(ReadFileBytes(page->pagePath()));
    worker_ = std::make_unique<RulePreviewWorker>(
        page, [this](uint64_t request, const RulePreview& preview) {
            QMetaObject::invokeMethod(
                this, [this, request, preview] { PreviewDone(request, preview); },
                Qt::QueuedConnection);
        });

    auto* columns = new QSplitter(Qt::Horizontal, this);
    columns->addWidget(CreateRuleFields());
    columns->addWidget(CreateSource());
    columns->addWidget(CreatePreview());
    columns->setChildrenCollapsible(false);

    txtName = Named(new QLineEdit(this), "txtName");
    cboCategory = MakeCategoryBox(this, kDefaultSiteCategory);
    cmdHelp = Named(new QPushButton("Help", this), "cmdHelp");
    cmdSave = Named(new QPushButton("Save", this), "cmdSave");
    cmdCancel = Named(new QPushButton("Cancel", this), "cmdCancel");
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(new QLabel("Name:", this));
    bottom->addWidget(txtName, 2);
    bottom->addWidget(new QLabel("Category:", this));
    bottom->addWidget(cboCategory, 1);
    for (QPushButton* button : {cmdHelp, cmdSave, cmdCancel}) {
        button->setAutoDefault(false);
        bottom->addWidget(button);
    }

    auto* layout = new QVBoxLayout(this);
    auto* address = new QLabel(Q("Page: " + pageUrl_), this);
    address->setObjectName("lblPage");
    layout->addWidget(address);
    layout->addWidget(columns, 1);
    layout->addLayout(bottom);
    resize(1280, 720);

    connect(cmdSave, &QPushButton::clicked, this, &TfrmRuleEditor::cmdSaveClick);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::close);
    connect(cmdHelp, &QPushButton::clicked, this, &TfrmRuleEditor::cmdHelpClick);
    connect(cmdSuggest, &QPushButton::clicked, this, &TfrmRuleEditor::cmdSuggestClick);
    connect(txtExample, &QLineEdit::returnPressed, this, &TfrmRuleEditor::cmdSuggestClick);
    connect(cmdRepair, &QPushButton::clicked, this, &TfrmRuleEditor::cmdRepairClick);
    SetToolTips();
    SetHelpContext(this, HelpTopic());
}

QWidget* TfrmRuleEditor::CreateRuleFields() {
    auto* fields = new QWidget(this);
    txtExample = Named(new QLineEdit(fields), "txtExample");
    txtExample->setPlaceholderText("an item's text, as you see it on the page");
    cmdSuggest = Named(new QPushButton("Suggest", fields), "cmdSuggest");
    cmdSuggest->setAutoDefault(false);
    lblSuggest = Named(new QLabel(fields), "lblSuggest");
    lblSuggest->setWordWrap(true);
    lblRepair = Named(new QLabel(fields), "lblRepair");
    lblRepair->setWordWrap(true);
    lblRepair->hide();
    cmdRepair = Named(new QPushButton("Repair", fields), "cmdRepair");
    cmdRepair->setAutoDefault(false);
    cmdRepair->hide();
    txtStartMarker = Named(new QLineEdit(fields), "txtStartMarker");
    chkStartInclude =
        Named(new QCheckBox("Keep the marker in the piece", fields), "chkStartInclude");
    // A start tag as the marker is what people write; without it kept, the piece would lose
    // the character after the marker as well.
    chkStartInclude->setChecked(true);
    spnStartReverse = MakeCount(fields, "spnStartReverse");
    spnStartSkip = MakeCount(fields, "spnStartSkip");
    txtEndMarker = Named(new QLineEdit(fields), "txtEndMarker");
    chkEndInclude = Named(new QCheckBox("Keep the marker in the piece", fields), "chkEndInclude");
    spnEndReverse = MakeCount(fields, "spnEndReverse");
    spnEndSkip = MakeCount(fields, "spnEndSkip");
    spnSpecific = MakeCount(fields, "spnSpecific", "every piece");
    tblRemove = MakePairTable(fields, "tblRemove", "Remove from", "up to");
    tblReplace = MakePairTable(fields, "tblReplace", "Replace", "with");
    txtWrapOpen = Named(new QLineEdit(kPieceWrapOpen, fields), "txtWrapOpen");
    txtWrapClose = Named(new QLineEdit(kPieceWrapClose, fields), "txtWrapClose");
    chkTitle = Named(new QCheckBox("Take the heading from the page's title", fields), "chkTitle");
    chkTitle->setChecked(true);
    cboStyleSheet = Named(new QComboBox(fields), "cboStyleSheet");
    for (const std::string& name : StyleSheetNames())
        cboStyleSheet->addItem(Q(name));
    cboStyleSheet->setCurrentText(kPiecesStyleSheet);

    auto* suggest = new QHBoxLayout;
    suggest->addWidget(txtExample, 1);
    suggest->addWidget(cmdSuggest);
    auto* repair = new QHBoxLayout;
    repair->addWidget(lblRepair, 1);
    repair->addWidget(cmdRepair);
    auto* layout = new QVBoxLayout(fields);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(repair);
    layout->addWidget(new QLabel("An item's text, as you see it on the page:", fields));
    layout->addLayout(suggest);
    layout->addWidget(lblSuggest);
    layout->addWidget(MarkerGroup(fields, "Each piece starts at", txtStartMarker, chkStartInclude,
                                  spnStartReverse, spnStartSkip));
    layout->addWidget(
        MarkerGroup(fields, "and ends at", txtEndMarker, chkEndInclude, spnEndReverse, spnEndSkip));
    auto* form = new QFormLayout;
    form->addRow("Write only piece number", spnSpecific);
    form->addRow("Put before each piece", txtWrapOpen);
    form->addRow("and after it", txtWrapClose);
    form->addRow("Stylesheet", cboStyleSheet);
    layout->addLayout(form);
    layout->addWidget(tblRemove);
    layout->addWidget(tblReplace);
    layout->addWidget(chkTitle);
    return fields;
}

QWidget* TfrmRuleEditor::CreatePreview() {
    auto* preview = new QWidget(this);
    lblPreview = Named(new QLabel(preview), "lblPreview");
    lblPreview->setWordWrap(true);
    lstPieces = Named(new QListWidget(preview), "lstPieces");
    txtBlock = Named(new QTextBrowser(preview), "txtBlock");
    txtBlock->setOpenLinks(false);
    auto* layout = new QVBoxLayout(preview);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel("Pieces the rule cuts from the page:", preview));
    layout->addWidget(lstPieces, 1);
    layout->addWidget(new QLabel("The site's block in the digest:", preview));
    layout->addWidget(txtBlock, 1);
    layout->addWidget(lblPreview);
    return preview;
}

// Every change of a rule field asks for a preview once the typing pauses.
void TfrmRuleEditor::ConnectChanges() {
    tmrPreview = Named(new QTimer(this), "tmrPreview");
    tmrPreview->setSingleShot(true);
    tmrPreview->setInterval(kPreviewDelayMs);
    connect(tmrPreview, &QTimer::timeout, this, &TfrmRuleEditor::RequestPreview);
    auto later = [this] { tmrPreview->start(); };
    for (QLineEdit* text : {txtStartMarker, txtEndMarker, txtWrapOpen, txtWrapClose})
        connect(text, &QLineEdit::textChanged, this, later);
    for (QCheckBox* box : {chkStartInclude, chkEndInclude, chkTitle})
        connect(box, &QCheckBox::toggled, this, later);
    for (QSpinBox* box : {spnStartReverse, spnStartSkip, spnEndReverse, spnEndSkip, spnSpecific})
        connect(box, &QSpinBox::valueChanged, this, later);
    for (QTableWidget* table : {tblRemove, tblReplace})
        connect(table, &QTableWidget::itemChanged, this, later);
    connect(cboStyleSheet, &QComboBox::currentTextChanged, this, later);
}

RuleSettings TfrmRuleEditor::Settings() const {
    RuleSettings rule;
    rule.start = MarkerOf(txtStartMarker, chkStartInclude, spnStartReverse, spnStartSkip);
    rule.end = MarkerOf(txtEndMarker, chkEndInclude, spnEndReverse, spnEndSkip);
    rule.specific = spnSpecific->value();
    rule.removals = PairsOf(tblRemove);
    rule.replaces = PairsOf(tblReplace);
    rule.wrapOpen = S(txtWrapOpen->text());
    rule.wrapClose = S(txtWrapClose->text());
    rule.titleHeading = chkTitle->isChecked();
    return rule;
}

void TfrmRuleEditor::ShowSettings(const RuleSettings& rule) {
    ShowMarker(rule.start, txtStartMarker, chkStartInclude, spnStartReverse, spnStartSkip);
    ShowMarker(rule.end, txtEndMarker, chkEndInclude, spnEndReverse, spnEndSkip);
    spnSpecific->setValue(rule.specific);
    ShowPairs(tblRemove, rule.removals);
    ShowPairs(tblReplace, rule.replaces);
    txtWrapOpen->setText(Q(rule.wrapOpen));
    txtWrapClose->setText(Q(rule.wrapClose));
    chkTitle->setChecked(rule.titleHeading);
}

void TfrmRuleEditor::RequestPreview() {
    latestRequest_ = worker_->request(Settings(), S(cboStyleSheet->currentText()));
    lblPreview->setText("Working ...");
    ShowMarkerMatches();
}

void TfrmRuleEditor::PreviewDone(uint64_t request, const RulePreview& preview) {
    if (request != latestRequest_)
        return; // a newer rule is on its way
    lstPieces->clear();
    for (const std::string& piece : preview.pieces)
        lstPieces->addItem(Shown(piece));
    txtBlock->setHtml(Q(preview.block));
    // The page-title piece is the block's heading, not one of its items.
    const size_t pieces =
        preview.pieces.size() - (chkTitle->isChecked() && !preview.pieces.empty() ? 1 : 0);
    std::string text = CountOf(pieces, "piece", "pieces") + ".";
    if (preview.items.size() < pieces)
        text = "Shows " + std::to_string(preview.items.size()) + " of " + std::to_string(pieces) +
               " pieces.";
    lblPreview->setText(preview.problem.empty() ? Q(text) : Q(preview.problem));
    emit previewShown();
}

void TfrmRuleEditor::cmdSaveClick() {
    try {
        if (site_) {
            ReplaceRuleFile(*site_, Settings());
            emit saved(Q(entry_));
        } else {
            emit saved(
                Q(AddRuleSiteToLibrary(S(cboCategory->currentText()), S(txtName->text()), pageUrl_,
                                       Settings(), S(cboStyleSheet->currentText()))));
        }
        close();
    } catch (const Exception& refused) {
        Dialogs().showMessage(refused.message());
    }
}

void TfrmRuleEditor::cmdHelpClick() {
    ShowHelpContext(HelpTopic());
}
