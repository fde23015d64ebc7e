// Rules from examples on small pages of our own, each shaped like a kind of list page found on
// the web: the rule found must cut exactly the items (each piece's first link the item's own)
// through the real cutter, cleaner and pieces stylesheet. Also the reader's text an example is
// found in, the settings read back from a rule file, and a rule replaced with its old kept.
#include "library/ExampleRule.h"
#include "library/ReaderText.h"
#include "library/SiteRules.h"
#include "platform/Errors.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace nimbrel;
using namespace nimbrel::test;

namespace {

constexpr const char* kUrl = "http://town.example/news/";

std::string Title(size_t i) {
    static const char* const titles[] = {"Ferry service resumes", "Library opens garden",
                                         "Night market returns", "Council votes on bridge",
                                         "Choir wins prize"};
    return titles[i];
}

std::string Page(const std::string& body) {
    return "<!DOCTYPE html><html><head><title>Town</title></head><body>" + body + "</body></html>";
}

// For each item, the text made of its number and title; the page's items are five.
template <typename Item> std::string Items(Item item) {
    std::string text;
    for (size_t i = 0; i < 5; ++i)
        text += item(i, "/story/" + std::to_string(i + 1), Title(i));
    return text;
}

std::vector<std::string> StoryLinks() {
    std::vector<std::string> links;
    for (size_t i = 1; i <= 5; ++i)
        links.push_back("http://town.example/story/" + std::to_string(i));
    return links;
}

std::vector<std::string> LinksOf(const RuleProposal& proposal) {
    std::vector<std::string> links;
    for (const ShownItem& item : proposal.items)
        links.push_back(item.link);
    return links;
}

class ExampleRuleTest : public ::testing::Test {
  protected:
    void SetUp() override { CopyShippedData(folder); }
    RuleProposal Propose(const std::string& page, const std::string& example) {
        const PreviewPage preview(page, kUrl);
        return ProposeRuleFromText(preview, example, "pieces.xslt");
    }
    TempProgramFolder folder;
};

TEST_F(ExampleRuleTest, FindsTheItemsOfTheExamplesKindOnPagesOfEveryShape) {
    const struct {
        const char* shape;
        std::string page;
        std::string example;
    } pages[] = {
        {"rows with a vote link before each title",
         Page("<table>" + Items([](size_t i, const std::string& href, const std::string& title) {
                  return "<tr><td>" + std::to_string(i + 1) + ".</td><td><a href=\"/vote/" +
                         std::to_string(i) + "\">^</a></td><td class=\"t\"><a href=\"" + href +
                         "\">" + title + "</a></td></tr><tr><td></td><td></td><td class=\"s\">" +
                         "<a href=\"/user/u\">u</a> <a href=\"/c/" + std::to_string(i) +
                         "\">talk</a></td></tr>";
              }) +
              "</table>"),
         Title(3)},
        {"cards whose picture link comes first",
         Page(Items([](size_t i, const std::string& href, const std::string& title) {
             return "<div class=\"card\" id=\"c" + std::to_string(900 + i) + "\"><a href=\"" +
                    href + "\"><img src=\"/i.png\"></a><h2 class=\"h\"><a href=\"" + href + "\">" +
                    title + "</a></h2><p>Short text.</p></div>";
         })),
         Title(0)},
        {"posts whose headline is no link, the permalink below other links",
         Page("<div id=\"posts\">" +
              Items([](size_t i, const std::string& href, const std::string& title) {
                  return "<h3>" + title + "</h3>Body with <a href=\"http://elsewhere.example/" +
                         std::to_string(i) + "\">a link</a>.<p class=\"by\">by Ann <a href=\"" +
                         href + "\">permalink</a> | <a href=\"http://share.example/?u=" +
                         std::to_string(i) + "\">share</a></p>";
              }) +
              "</div>"),
         Title(2)},
        {"items in two columns of a table",
         Page("<table><tr>" +
              Items([](size_t i, const std::string& href, const std::string& title) {
                  return std::string(i % 2 == 0 && i > 0 ? "</tr><tr>" : "") +
                         "<td><div class=\"cell\"><a href=\"" + href + "\">" + title +
                         "</a></div></td>";
              }) +
              "</tr></table>"),
         Title(1)},
        {"a list among a menu and a sidebar of links",
         Page("<ul class=\"menu\"><li><a href=\"/a\">A</a></li><li><a href=\"/b\">B</a></li>"
              "<li><a href=\"/c\">C</a></li></ul><ol class=\"list\">" +
              Items([](size_t, const std::string& href, const std::string& title) {
                  return "<li class=\"entry\"><a href=\"" + href + "\">" + title +
                         "</a> <span>1 h</span></li>";
              }) +
              "</ol><ul class=\"side\"><li><a href=\"/x\">X</a></li><li><a href=\"/y\">Y</a>"
              "</li></ul>"),
         Title(4)},
    };
    for (const auto& page : pages) {
        const RuleProposal proposal = Propose(page.page, page.example);
        ASSERT_TRUE(proposal.found) << page.shape << ": " << proposal.problem;
        EXPECT_EQ(proposal.itemsFound, 5u) << page.shape;
        EXPECT_EQ(LinksOf(proposal), StoryLinks()) << page.shape;
        ASSERT_EQ(proposal.items.size(), 5u) << page.shape;
        for (size_t i = 0; i < 5; ++i)
            EXPECT_EQ(proposal.items[i].title, Title(i)) << page.shape;
        EXPECT_EQ(proposal.rule.wrapOpen.rfind(kPieceWrapOpen, 0), 0u) << page.shape;
        EXPECT_TRUE(proposal.rule.titleHeading) << page.shape;
    }
}

// An archive of hundreds of items costs no more than a front page: rules are judged on the
// items around the example, and the rule found is counted on the whole page.
TEST_F(ExampleRuleTest, AnExampleDeepInALongArchiveFindsEveryItem) {
    std::string rows;
    for (int i = 1; i <= 600; ++i)
        rows += "<tr class=\"" + std::string(i % 2 ? "odd" : "even") + "\"><td><a href=\"/a/" +
                std::to_string(i) + "\">Archived story " + std::to_string(i) +
                "</a></td><td>2024</td></tr>";
    const RuleProposal proposal =
        Propose(Page("<table>" + rows + "</table>"), "Archived story 555");
    ASSERT_TRUE(proposal.found) << proposal.problem;
    EXPECT_EQ(proposal.itemsFound, 600u);
    ASSERT_EQ(proposal.items.size(), 15u);
    EXPECT_EQ(proposal.items[0].link, "http://town.example/a/1");
    EXPECT_EQ(proposal.items[14].title, "Archived story 15");
}

TEST_F(ExampleRuleTest, SaysWhyWhenTheTextIsNotThereOrStandsInNothingThatRepeats) {
    const std::string page = Page(
        "<h1>Town news</h1>" + Items([](size_t, const std::string& href, const std::string& title) {
            return "<p class=\"item\"><a href=\"" + href + "\">" + title + "</a></p>";
        }));
    const RuleProposal absent = Propose(page, "Dragons land");
    EXPECT_FALSE(absent.found);
    EXPECT_EQ(absent.problem, "\"Dragons land\" is not on the page (its text compared as a reader "
                              "sees it: entities decoded, blanks collapsed).");
    const RuleProposal alone = Propose(page, "Town news");
    EXPECT_FALSE(alone.found);
    EXPECT_NE(alone.problem.find("No repeated items on the page hold \"Town news\""),
              std::string::npos)
        << alone.problem;
    EXPECT_FALSE(Propose(page, "   ").found);
}

TEST_F(ExampleRuleTest, LinksTheSiteShowedFindTheirItemsInANewLayout) {
    const std::string redesigned =
        Page("<main>" + Items([](size_t, const std::string& href, const std::string& title) {
                 return "<section class=\"teaser\"><div class=\"wrap\"><h4><a href=\"" + href +
                        "\">" + title + "</a></h4></div></section>";
             }) +
             "<a href=\"/about\">About</a></main>");
    const PreviewPage page(redesigned, kUrl);
    std::vector<std::string> shown = StoryLinks();
    shown.push_back("http://town.example/gone"); // no longer on the page
    const RuleProposal proposal = ProposeRuleFromLinks(page, shown, "pieces.xslt");
    ASSERT_TRUE(proposal.found) << proposal.problem;
    EXPECT_EQ(LinksOf(proposal), StoryLinks());
    const RuleProposal none =
        ProposeRuleFromLinks(page, {"http://town.example/gone"}, "pieces.xslt");
    EXPECT_FALSE(none.found);
    EXPECT_EQ(none.problem, "None of the 1 links the site showed last is on the page now.");
}

TEST(ReaderText, ComparesTextAsAReaderSeesIt) {
    EXPECT_EQ(ReaderText("  Fish\xC2\xA0&\tchips\n\n daily "), "Fish & chips daily");
    EXPECT_EQ(ReaderText("soft\xC2\xADhy\xE2\x80\x8Bphen\xE3\x80\x80wide"), "softhyphen wide");
    const html::SourceTree tree = html::SourceTree::Parse(
        "<div><p>Fish &amp; <b>Chips</b>&nbsp;daily</p><p>Kuwait<br>\xD8\xA7</p>"
        "<noscript>Fish &amp; Chips daily</noscript></div>");
    const PageReaderText text(tree);
    const auto named = [&](const std::string& copied) {
        std::vector<std::string> names;
        for (size_t element : text.elementsHolding(copied))
            names.push_back(tree[element].name + ":" + text.of(element));
        return names;
    };
    EXPECT_EQ(named("Fish & Chips daily"), std::vector<std::string>{"p:Fish & Chips daily"});
    EXPECT_EQ(named("fish & CHIPS"), std::vector<std::string>{"p:Fish & Chips daily"});
    EXPECT_EQ(named("Chips"), std::vector<std::string>{"b:Chips"});
    EXPECT_EQ(named("Kuwait \xD8\xA7"), std::vector<std::string>{"p:Kuwait \xD8\xA7"});
    EXPECT_EQ(named("Kuwait\xD8\xA7"), std::vector<std::string>{"p:Kuwait \xD8\xA7"});
    EXPECT_TRUE(named("Dragons").empty());
}

TEST(ReadRuleSettings, ReadsWhatTheEditorWritesAndNothingElse) {
    RuleSettings rule;
    rule.start = {"<li class=\"x\"", true, 1, 2};
    rule.end = {"</li>", false, 3, 4};
    rule.specific = 5;
    rule.removals = {{"<i>", "</i>"}};
    rule.replaces = {{"a", "b"}, {"c", ""}};
    rule.wrapOpen = "<div class=\"piece\">";
    rule.wrapClose = "</div>";
    for (const bool title : {true, false}) {
        rule.titleHeading = title;
        const std::optional<RuleSettings> read = ReadRuleSettings(RuleFileText(rule));
        ASSERT_TRUE(read) << title;
        EXPECT_EQ(read->start.text, rule.start.text);
        EXPECT_EQ(read->start.include, true);
        EXPECT_EQ(read->start.reverse, 1);
        EXPECT_EQ(read->end.skip, 4);
        EXPECT_EQ(read->specific, 5);
        EXPECT_EQ(read->removals.size(), 1u);
        EXPECT_EQ(read->replaces.size(), 2u);
        EXPECT_EQ(read->replaces[1].second, "");
        EXPECT_EQ(read->wrapClose, "</div>");
        EXPECT_EQ(read->titleHeading, title);
    }
    for (const std::string& other :
         {std::string("<R><Command Name=\"append\" Specific=\"0\"><Command Name=\"append\" "
                      "Specific=\"0\"/></Command></R>"),
          std::string("<R><Command Name=\"copy\" Specific=\"0\"/></R>"),
          std::string("<R><Command Name=\"append\" Specific=\"x\"/></R>"), std::string("<R/>"),
          std::string("not xml")})
        EXPECT_FALSE(ReadRuleSettings(other)) << other;
}

TEST(ReplaceRuleFile, KeepsTheOldRuleBesideTheNew) {
    TempProgramFolder folder;
    folder.write("Rip/mine.xml", "<old/>");
    LibrarySite site{"Mine", kUrl, "html", "pieces.xslt", "mine.xml"};
    RuleSettings rule;
    rule.start = {"<li", true, 0, 0};
    rule.end = {"</li>", true, 0, 0};
    ReplaceRuleFile(site, rule);
    EXPECT_EQ(folder.read("Rip/mine.xml.old"), "<old/>");
    EXPECT_EQ(folder.read("Rip/mine.xml"), RuleFileText(rule));
    site.ripFile = "../outside.xml";
    EXPECT_THROW(ReplaceRuleFile(site, rule), Exception);
}

} // namespace
