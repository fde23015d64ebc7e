// The rule editor's help with the rule, offscreen on a copy of the shipped program folder:
// Suggest fills the fields from one item's text and the preview shows the items, the page's
// source counts each marker's matches, every field explains itself; Edit Rule opens the
// selected site's rule, Save replaces it, and a rule that finds nothing is offered a repair.
#include "library/gui/RuleEditor.h"
#include "app/gui/AppHelp.h"
#include "guisupport/GuiTestSupport.h"
#include "library/NewSite.h"
#include "library/gui/setup.h"
#include "pipeline/SiteFiles.h"
#include "support/HelpCallLog.h"

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
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace nimbrel;
using namespace nimbrel::test;

namespace {

constexpr const char* kUrl = "http://town.example/news/";

std::string StoryTitle(int i) {
    return "Town story number " + std::to_string(i);
}

// Twenty cards; `layout` 2 is the same stories after a redesign.
std::string CardsPage(int layout = 1) {
    std::string cards;
    for (int i = 1; i <= 20; ++i) {
        const std::string href = "/story/" + std::to_string(i);
        cards += layout == 1 ? "<div class=\"card\"><h2 class=\"t\"><a href=\"" + href + "\">" +
                                   StoryTitle(i) + "</a></h2><p>More.</p></div>"
                             : "<section class=\"teaser\"><h4><a href=\"" + href + "\">" +
                                   StoryTitle(i) + "</a></h4></section>";
    }
    return "<html><head><title>Town</title></head><body>\n" + cards + "\n</body></html>";
}

class RuleEditorTest : public ::testing::Test {
  protected:
    void SetUp() override {
        CopyShippedData(folder);
        WriteBanner(folder);
    }
    template <typename T> T* In(QWidget* window, const char* name) {
        T* widget = window->findChild<T*>(name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    std::string Text(QWidget* window, const char* label) {
        return In<QLabel>(window, label)->text().toStdString();
    }
    // A site of its own whose rule cuts the cards, with the page it has now.
    std::string AddCardsSite(const std::string& page) {
        RuleSettings rule;
        rule.start = {"<div class=\"card\">", true, 0, 0};
        rule.end = {"</div>", true, 0, 0};
        rule.wrapOpen = kPieceWrapOpen;
        rule.wrapClose = kPieceWrapClose;
        const std::string entry = AddRuleSiteToLibrary("Mine", "Cards", kUrl, rule, "pieces.xslt");
        folder.write("Sites/" + PageFileName(kUrl), page);
        return entry;
    }
    TfrmRuleEditor* OpenEditRule(TfrmSetup& setup, const char* category, const char* site) {
        auto* tree = In<QTreeWidget>(&setup, "TreeView1");
        const QList<QTreeWidgetItem*> found =
            tree->findItems(site, Qt::MatchExactly | Qt::MatchRecursive);
        for (QTreeWidgetItem* node : found)
            if (node->parent() && node->parent()->text(0) == category) {
                tree->setCurrentItem(node);
                node->setSelected(true);
            }
        In<QPushButton>(&setup, "cmdEditRule")->click();
        return setup.findChild<TfrmRuleEditor*>("frmRuleEditor");
    }

    TempProgramFolder folder;
    ScriptedDialogs dialogs;
    HelpCallLog help;
};

TEST_F(RuleEditorTest, SuggestFillsTheFieldsAndThePreviewShowsTheItems) {
    auto* editor = new TfrmRuleEditor(CardsPage(), kUrl, "Town", "My Sites");
    std::unique_ptr<TfrmRuleEditor> owned(editor);
    EXPECT_EQ(Text(editor, "lblMatches"), "start marker: 0 matches · end marker: 0 matches");

    In<QLineEdit>(editor, "txtExample")->setText("No such story");
    In<QPushButton>(editor, "cmdSuggest")->click();
    ASSERT_TRUE(WaitUntil([&] { return Text(editor, "lblSuggest") != "Working ..."; }));
    EXPECT_NE(Text(editor, "lblSuggest").find("is not on the page"), std::string::npos);
    EXPECT_EQ(In<QLineEdit>(editor, "txtStartMarker")->text(), "");

    In<QLineEdit>(editor, "txtExample")->setText("  town story NUMBER 7 ");
    In<QPushButton>(editor, "cmdSuggest")->click();
    ASSERT_TRUE(WaitUntil([&] { return Text(editor, "lblSuggest") != "Working ..."; }));
    EXPECT_EQ(Text(editor, "lblSuggest"), "Suggested: the rule finds 20 items.");
    EXPECT_FALSE(In<QLineEdit>(editor, "txtStartMarker")->text().isEmpty());
    ASSERT_TRUE(WaitUntil([&] { return Text(editor, "lblPreview") == "Shows 15 of 20 pieces."; }))
        << Text(editor, "lblPreview");
    const QString block = In<QTextBrowser>(editor, "txtBlock")->toPlainText();
    EXPECT_TRUE(block.contains(QString::fromStdString(StoryTitle(1)))) << block.toStdString();
    EXPECT_TRUE(block.contains(QString::fromStdString(StoryTitle(15))));
    EXPECT_EQ(In<QListWidget>(editor, "lstPieces")->count(), 21) << "the title and 20 items";
    EXPECT_NE(Text(editor, "lblMatches").find("start marker: 20 matches"), std::string::npos)
        << Text(editor, "lblMatches");
    EXPECT_GE(In<QPlainTextEdit>(editor, "txtSource")->extraSelections().size(), 20)
        << "every match is marked in the source";

    // Every field explains itself.
    for (QWidget* field : editor->findChildren<QWidget*>()) {
        const bool isField = qobject_cast<QLineEdit*>(field) || qobject_cast<QCheckBox*>(field) ||
                             qobject_cast<QSpinBox*>(field) || qobject_cast<QComboBox*>(field) ||
                             qobject_cast<QTableWidget*>(field);
        if (isField && !field->objectName().isEmpty() && !field->objectName().startsWith("qt_")) {
            EXPECT_FALSE(field->toolTip().isEmpty()) << field->objectName().toStdString();
        }
    }
}

TEST_F(RuleEditorTest, EditRuleOpensTheSelectedSitesRuleAndSaveReplacesIt) {
    const std::string entry = AddCardsSite(CardsPage());
    const std::string before = folder.read("Rip/cards.xml");
    TfrmSetup setup;
    TfrmRuleEditor* editor = OpenEditRule(setup, "Mine", "Cards");
    ASSERT_NE(editor, nullptr) << (dialogs.messages.empty() ? "" : dialogs.messages[0]);
    EXPECT_EQ(editor->windowTitle(), "Edit Rule: Mine->Cards");
    EXPECT_EQ(In<QLineEdit>(editor, "txtStartMarker")->text(), "<div class=\"card\">");
    EXPECT_EQ(In<QLineEdit>(editor, "txtEndMarker")->text(), "</div>");
    EXPECT_FALSE(In<QLineEdit>(editor, "txtName")->isEnabled());
    EXPECT_FALSE(In<QPushButton>(editor, "cmdRepair")->isVisibleTo(editor)) << "it finds items";
    EXPECT_EQ(HelpContextOf(In<QLineEdit>(editor, "txtEndMarker")), 1230);
    ASSERT_TRUE(WaitUntil([&] { return Text(editor, "lblPreview") == "Shows 15 of 20 pieces."; }));

    In<QLineEdit>(editor, "txtEndMarker")->setText("</h2>");
    In<QPushButton>(editor, "cmdSave")->click();
    EXPECT_EQ(folder.read("Rip/cards.xml.old"), before);
    const auto saved = ReadRuleSettings(folder.read("Rip/cards.xml"));
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->end.text, "</h2>");
    EXPECT_TRUE(WaitUntil([&] { return setup.findChild<TfrmRuleEditor*>() == nullptr; }));

    // Only a page's own rule, and only a selected one, is edited.
    EXPECT_EQ(OpenEditRule(setup, "News", "BBC News"), nullptr);
    ASSERT_FALSE(dialogs.messages.empty());
    EXPECT_NE(dialogs.messages.back().find("is a feed"), std::string::npos)
        << dialogs.messages.back();
    In<QTreeWidget>(&setup, "TreeView1")->clearSelection();
    In<QPushButton>(&setup, "cmdEditRule")->click();
    EXPECT_EQ(dialogs.messages.back(), "Select a site in the library or in your list first.");
}

TEST_F(RuleEditorTest, ARuleThatFindsNothingIsOfferedARepairFromTheLastGoodDigest) {
    AddCardsSite(CardsPage(2));
    LastShown shown;
    for (int i = 1; i <= 15; ++i)
        shown.links.push_back("http://town.example/story/" + std::to_string(i));
    shown.block = "<ol><li class=\"item\">...</li></ol>";
    WriteLastShown(kUrl, shown);
    TfrmSetup setup;
    TfrmRuleEditor* editor = OpenEditRule(setup, "Mine", "Cards");
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(In<QPushButton>(editor, "cmdRepair")->isVisibleTo(editor));
    EXPECT_NE(Text(editor, "lblRepair").find("finds nothing in the page the site has now"),
              std::string::npos);
    In<QPushButton>(editor, "cmdRepair")->click();
    ASSERT_TRUE(WaitUntil([&] { return Text(editor, "lblRepair") != "Working ..."; }));
    EXPECT_EQ(Text(editor, "lblRepair"), "The new rule finds 20 items and recovers 15 of the 15 "
                                         "links the last digest showed. Save keeps it.");
    ASSERT_TRUE(WaitUntil([&] { return Text(editor, "lblPreview") == "Shows 15 of 20 pieces."; }))
        << Text(editor, "lblPreview");
    In<QPushButton>(editor, "cmdSave")->click();
    const RuleCheck check =
        CheckSiteRule(LibrarySite{"Cards", kUrl, "html", "pieces.xslt", "cards.xml"});
    EXPECT_EQ(check.state, RuleCheck::State::Items);
    EXPECT_EQ(check.items, 15u);
}

} // namespace
