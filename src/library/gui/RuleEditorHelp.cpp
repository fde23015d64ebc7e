// The rule editor's help with the rule: the page's source with each marker's matches, the
// tooltips, and the suggestion and repair that fill the fields on a thread of their own.
#include "library/gui/RuleEditor.h"

#include "library/ExampleRule.h"
#include "library/NewSite.h"
#include "library/gui/SiteFields.h"
#include "pipeline/SiteFiles.h"
#include "platform/Convert.h"
#include "platform/Errors.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTextBrowser>
#include <QVBoxLayout>

using namespace nimbrel;

namespace {

// Matches beyond these are counted but not highlighted: a marker such as "<a" would otherwise
// colour thousands of places at every keystroke.
constexpr int kMostHighlights = 1000;
// A page kept on one long line is shown with a line break between its tags.
constexpr size_t kLongestShownLine = 4000;

QString DisplayedSource(const std::string& page) {
    const size_t lines = static_cast<size_t>(std::count(page.begin(), page.end(), '\n')) + 1;
    if (page.size() / lines <= kLongestShownLine)
        return Q(page);
    return Q(ReplaceAll(page, "><", ">\n<"));
}

// How often the marker, as the cutter reads it, stands in the page as the cutter reads it.
size_t Occurrences(const std::string& loweredPage, const std::string& marker) {
    const std::string wanted = LowerAscii(Trim(marker));
    size_t count = 0;
    if (wanted.empty())
        return 0;
    for (size_t at = loweredPage.find(wanted); at != std::string::npos;
         at = loweredPage.find(wanted, at + wanted.size()))
        ++count;
    return count;
}

std::string Matches(const char* which, size_t count) {
    return std::string(which) + ": " + CountOf(count, "match", "matches");
}

void Highlight(QList<QTextEdit::ExtraSelection>& selections, QPlainTextEdit* source,
               const QString& marker, const QColor& colour) {
    if (marker.isEmpty())
        return;
    QTextCursor found = source->document()->find(marker, 0);
    for (int shown = 0; !found.isNull() && shown < kMostHighlights; ++shown) {
        QTextEdit::ExtraSelection selection;
        selection.cursor = found;
        selection.format.setBackground(colour);
        selections.append(selection);
        found = source->document()->find(marker, found);
    }
}

} // namespace

QWidget* TfrmRuleEditor::CreateSource() {
    auto* pane = new QWidget(this);
    txtSource = new QPlainTextEdit(pane);
    txtSource->setObjectName("txtSource");
    txtSource->setReadOnly(true);
    txtSource->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    txtSource->setPlainText(DisplayedSource(pageText_));
    lblMatches = new QLabel(pane);
    lblMatches->setObjectName("lblMatches");
    lblMatches->setWordWrap(true);
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel("The page's source:", pane));
    layout->addWidget(txtSource, 1);
    layout->addWidget(lblMatches);
    return pane;
}

void TfrmRuleEditor::ShowMarkerMatches() {
    const std::string start = Trim(S(txtStartMarker->text()));
    const std::string end = Trim(S(txtEndMarker->text()));
    lblMatches->setText(Q(Matches("start marker", Occurrences(cutterPage_, start)) + " · " +
                          Matches("end marker", Occurrences(cutterPage_, end))));
    QList<QTextEdit::ExtraSelection> selections;
    Highlight(selections, txtSource, Q(start), QColor(255, 214, 102));
    Highlight(selections, txtSource, Q(end), QColor(143, 206, 255));
    txtSource->setExtraSelections(selections);
}

void TfrmRuleEditor::SetToolTips() {
    const std::pair<QWidget*, const char*> tips[] = {
        {txtExample, "Copy the text of one item you want (a headline) as you see it in your "
                     "browser; Suggest finds the items of its kind on the page."},
        {cmdSuggest, "Fill the fields with a rule whose pieces are the page's items of the kind "
                     "of the one holding the text above, tried on the page first."},
        {cmdRepair, "Fill the fields with a new rule made from the links the site's last good "
                    "digest showed that are still on the page. Save keeps it."},
        {txtStartMarker, "Text of the page's source that stands at the start of every piece, "
                         "for example <h2 class=\"title\". Letters A to Z match in any case; "
                         "blanks at its ends are dropped."},
        {chkStartInclude, "Keep the start marker in the piece. Without it, the marker and the "
                          "one character after it are left out."},
        {spnStartSkip, "How many occurrences of the start marker to pass over before the one "
                       "that starts a piece; counted again for every piece."},
        {spnStartReverse, "With the marker kept: begin the piece this many \"<\" earlier."},
        {txtEndMarker, "Text that stands after every piece, for example </h2>. It is looked "
                       "for after the start of the piece."},
        {chkEndInclude, "Keep the end marker in the piece."},
        {spnEndSkip, "How many occurrences of the end marker to pass over before the one that "
                     "ends the piece."},
        {spnEndReverse, "With the marker left out: end the piece this many \"<\" earlier."},
        {spnSpecific, "Keep only this piece of all the page's pieces; every piece when 0."},
        {tblRemove, "Delete from each piece every span from the first text to the second, "
                    "for example an advertisement inside each item."},
        {tblReplace, "Replace a text in each piece; an empty replacement deletes it."},
        {txtWrapOpen, "Text put before each piece: the pieces stylesheet lists each "
                      "<div class=\"piece\"> as one item."},
        {txtWrapClose, "Text put after each piece."},
        {chkTitle, "First cut the page's title, as the heading of the site's block."},
        {cboStyleSheet, "The stylesheet that turns the pieces into the site's block; "
                        "pieces.xslt suits any page."},
        {txtSource, "The page as Nimbrel downloaded it; the start marker's matches are "
                    "yellow, the end marker's blue."},
        {lstPieces, "The pieces the rule cuts, as the cutter writes them."},
        {txtBlock, "The site's block in the digest, made from the pieces."},
        {txtName, "The site's name in the library and in your list."},
        {cboCategory, "The library category the site goes into."},
        {cmdSave, "Write the rule (and, for a new site, its library entry)."}};
    for (const auto& [widget, tip] : tips)
        widget->setToolTip(tip);
}

// On a site whose rule finds nothing in the page it has now, though its last digest showed
// items, the editor offers to make a new rule from them.
void TfrmRuleEditor::OfferRepair() {
    const RuleCheck check = CheckSiteRule(*site_);
    const std::optional<LastShown> shown = ReadLastShown(site_->url);
    if (check.state != RuleCheck::State::FoundNothing || !shown || shown->links.empty())
        return;
    lblRepair->setText(Q("The rule finds nothing in the page the site has now, though its last "
                         "digest showed " +
                         std::to_string(shown->links.size()) +
                         " items: the site may have changed its layout."));
    lblRepair->show();
    cmdRepair->show();
}

void TfrmRuleEditor::cmdSuggestClick() {
    const std::string example = S(txtExample->text());
    if (Trim(example).empty()) {
        lblSuggest->setText("Type or paste the text of one item first.");
        return;
    }
    const std::string page = pageText_;
    const std::string url = pageUrl_;
    const std::string sheet = S(cboStyleSheet->currentText());
    RunHelper(
        [page, url, example, sheet] {
            // A page of its own: the preview's worker is using its files meanwhile.
            const PreviewPage scratch(page, url);
            const RuleProposal proposal = ProposeRuleFromText(scratch, example, sheet);
            return std::pair{proposal, "Suggested: the rule finds " +
                                           std::to_string(proposal.itemsFound) + " items."};
        },
        lblSuggest);
}

void TfrmRuleEditor::cmdRepairClick() {
    const LibrarySite site = *site_;
    RunHelper(
        [site] {
            const RuleRepair repair = ProposeRuleRepair(site);
            RuleProposal proposal = repair.proposal;
            if (!proposal.found)
                proposal.problem = repair.problem;
            return std::pair{proposal, "The new rule finds " + std::to_string(proposal.itemsFound) +
                                           " items and recovers " +
                                           std::to_string(repair.recovered) + " of the " +
                                           std::to_string(repair.remembered) +
                                           " links the last digest showed. Save keeps it."};
        },
        lblRepair);
}

void TfrmRuleEditor::RunHelper(const std::function<std::pair<RuleProposal, std::string>()>& work,
                               QLabel* status) {
    if (helping_)
        return;
    if (helper_.joinable())
        helper_.join();
    helping_ = true;
    cmdSuggest->setEnabled(false);
    cmdRepair->setEnabled(false);
    status->setText("Working ...");
    helper_ = std::thread([this, work, status] {
        std::pair<RuleProposal, std::string> result;
        try {
            result = work();
        } catch (const Exception& error) {
            result.first.problem = error.message();
        }
        QMetaObject::invokeMethod(
            this, [this, result, status] { HelperDone(result.first, result.second, status); },
            Qt::QueuedConnection);
    });
}

void TfrmRuleEditor::HelperDone(const RuleProposal& proposal, const std::string& message,
                                QLabel* status) {
    helping_ = false;
    cmdSuggest->setEnabled(true);
    cmdRepair->setEnabled(true);
    if (proposal.found) {
        ShowSettings(proposal.rule);
        status->setText(Q(message));
    } else {
        status->setText(Q(proposal.problem));
    }
    emit helped();
}
