#include "library/gui/RuleEditor.h"

#include "app/gui/AppHelp.h"
#include "app/hh_funcs.h"
#include "library/LibraryFile.h"
#include "library/NewSite.h"
#include "library/gui/SiteFields.h"
#include "platform/Convert.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"

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
    // Cut at a character's first byte, never inside one.
    size_t end = kShownPieceBytes;
    while (end > 0 && (static_cast<unsigned char>(piece[end]) & 0xC0) == 0x80)
        --end;
    return Q(piece.substr(0, end) + " ...");
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

} // namespace

TfrmRuleEditor::TfrmRuleEditor(const std::string& pageText, std::string pageUrl,
                               const std::string& name, const std::string& category,
                               QWidget* parent)
    : QDialog(parent), pageUrl_(std::move(pageUrl)) {
    setObjectName("frmRuleEditor");
    setWindowTitle("New Site: Rule");
    setAttribute(Qt::WA_DeleteOnClose);
    auto page = std::make_shared<const PreviewPage>(pageText, pageUrl_);
    worker_ = std::make_unique<RulePreviewWorker>(
        page, [this](uint64_t request, const RulePreview& preview) {
            QMetaObject::invokeMethod(
                this, [this, request, preview] { PreviewDone(request, preview); },
                Qt::QueuedConnection);
        });
    CreateControls();
    txtName->setText(Q(name));
    cboCategory->setCurrentText(Q(category));
    SetHelpContext(this, kHelpTopic);
    ConnectChanges();
    RequestPreview();
}

TfrmRuleEditor::~TfrmRuleEditor() {
    worker_.reset(); // before the controls its answers would reach go
}

void TfrmRuleEditor::CreateControls() {
    auto* columns = new QHBoxLayout;
    columns->addWidget(CreateRuleFields(), 1);
    columns->addWidget(CreatePreview(), 1);

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
    auto* page = new QLabel(Q("Page: " + pageUrl_), this);
    page->setObjectName("lblPage");
    layout->addWidget(page);
    layout->addLayout(columns, 1);
    layout->addLayout(bottom);
    resize(900, 620);

    connect(cmdSave, &QPushButton::clicked, this, &TfrmRuleEditor::cmdSaveClick);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::close);
    connect(cmdHelp, &QPushButton::clicked, this, &TfrmRuleEditor::cmdHelpClick);
}

QWidget* TfrmRuleEditor::CreateRuleFields() {
    auto* fields = new QWidget(this);
    txtStartMarker = Named(new QLineEdit(fields), "txtStartMarker");
    chkStartInclude =
        Named(new QCheckBox("Keep the marker in the piece", fields), "chkStartInclude");
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

    auto* layout = new QVBoxLayout(fields);
    layout->setContentsMargins(0, 0, 0, 0);
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

void TfrmRuleEditor::RequestPreview() {
    latestRequest_ = worker_->request(Settings(), S(cboStyleSheet->currentText()));
    lblPreview->setText("Working ...");
}

void TfrmRuleEditor::PreviewDone(uint64_t request, const RulePreview& preview) {
    if (request != latestRequest_)
        return; // a newer rule is on its way
    lstPieces->clear();
    for (const std::string& piece : preview.pieces)
        lstPieces->addItem(Shown(piece));
    txtBlock->setHtml(Q(preview.block));
    lblPreview->setText(preview.problem.empty()
                            ? Q(CountOf(preview.pieces.size(), "piece", "pieces") + ".")
                            : Q(preview.problem));
}

void TfrmRuleEditor::cmdSaveClick() {
    try {
        const std::string entry =
            AddRuleSiteToLibrary(S(cboCategory->currentText()), S(txtName->text()), pageUrl_,
                                 Settings(), S(cboStyleSheet->currentText()));
        emit saved(Q(entry));
        close();
    } catch (const Exception& refused) {
        Dialogs().showMessage(refused.message());
    }
}

void TfrmRuleEditor::cmdHelpClick() {
    ShowHelpContext(kHelpTopic);
}
