// The rule editor's core: the rule file it writes reads back as the settings given, names made
// safe never replace a file, and the preview cuts and displays through the real units, on a
// worker that always ends with the newest request.
#include "components/MSXML2_TLB.h"
#include "library/NewSite.h"
#include "library/RuleFile.h"
#include "library/RulePreview.h"
#include "pipeline/HtmlRip.h"
#include "platform/Errors.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>

using namespace nimbrel;
using namespace nimbrel::test;

namespace {

const char* const kPage =
    "<html><head><title lang=\"en\">Town &amp; Gown</title></head>\r\n<body>"
    "<h2><a href=\"/one\">One</a></h2>\r\n<p>x</p><h2><a href=\"two.html\">Two</a></h2>"
    "<h2>Three &lt;3</h2></body></html>";

RuleSettings HeadingRule() {
    RuleSettings rule;
    rule.start = {"<h2", false, 0, 0};
    rule.end = {"</h2>", false, 0, 0};
    rule.wrapOpen = kPieceWrapOpen;
    rule.wrapClose = kPieceWrapClose;
    return rule;
}

void CopyShippedStyleSheet(const TempProgramFolder& folder) {
    std::filesystem::copy_file(std::string(NIMBREL_SOURCE_DIR) + "/data/stylesheets/pieces.xslt",
                               folder.file("stylesheets/pieces.xslt"));
}

TEST(RuleFileText, ReadsBackAsTheSettingsGiven) {
    RuleSettings rule;
    rule.start = {"<td class='n' & \"q\"", true, 2, 1};
    rule.end = {"</td>", false, 3, 0};
    rule.specific = 4;
    rule.removals = {{"<i>", "</i>"}, {"", "ignored"}, {"<b>", ""}};
    rule.replaces = {{"One", ""}, {"Two", "2"}};
    rule.wrapOpen = "<li>";
    rule.wrapClose = "</li>";
    msxml::XmlDocument doc = msxml::XmlDocument::Create();
    ASSERT_TRUE(doc.loadXML(RuleFileText(rule))) << RuleFileText(rule);
    EXPECT_FALSE(doc.hasXmlDeclaration()) << "a declaration would make the rule cut nothing";
    const msxml::XmlNodeList commands = doc.selectNodes("//Command");
    ASSERT_EQ(commands.length(), 2) << "the title command first";
    const CommandRules read = ReadCommandRules(commands.item(1));
    EXPECT_EQ(read.name, "append");
    EXPECT_EQ(read.specific, "4");
    EXPECT_EQ(read.start.text, rule.start.text);
    EXPECT_TRUE(read.start.include);
    EXPECT_EQ(read.start.reverseLTags, "2");
    EXPECT_EQ(read.start.skipSimilar, "1");
    EXPECT_FALSE(read.end.include);
    EXPECT_EQ(read.end.reverseLTags, "3");
    EXPECT_EQ(read.removeOpen[0], "<i>");
    EXPECT_EQ(read.removeClose[0], "</i>");
    EXPECT_EQ(read.removeOpen[1], "") << "pairs missing a text are left out";
    EXPECT_EQ(read.replaceFind[0], "One");
    EXPECT_EQ(read.replaceWith[0], "");
    EXPECT_EQ(read.replaceWith[1], "2");
    EXPECT_EQ(read.wrapOpen, "<li>");
    rule.titleHeading = false;
    doc.loadXML(RuleFileText(rule));
    EXPECT_EQ(doc.selectNodes("//Command").length(), 1);
}

TEST(SafeFileStem, KeepsLettersAndDigitsAndTransliteratesAccents) {
    const std::pair<const char*, const char*> cases[] = {
        {"BBC News", "bbc-news"},
        {"Caf\xC3\xA9 M\xC3\xBCller & S\xC3\xB8n", "cafe-muller-son"},
        {"Stra\xC3\x9F"
         "e",
         "strasse"},
        {"../../etc/passwd", "etc-passwd"},
        {"a\\b:c*d?e|f\"g<h>", "a-b-c-d-e-f-g-h"},
        {"Wikipedia (\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E)", "wikipedia"},
        {"\xE6\x97\xA5\xE6\x9C\xAC", "site"},
        {"   ", "site"},
    };
    for (const auto& [name, stem] : cases)
        EXPECT_EQ(SafeFileStem(name), stem) << name;
    EXPECT_EQ(SafeFileStem(std::string(300, 'x')).size(), 64u);
}

TEST(SaveNewRuleFile, NeverReplacesAFile) {
    TempProgramFolder folder;
    folder.write("Rip/my-site.xml", "mine");
    EXPECT_EQ(SaveNewRuleFile("My Site", HeadingRule()), "my-site-2.xml");
    EXPECT_EQ(SaveNewRuleFile("my site!", HeadingRule()), "my-site-3.xml");
    EXPECT_EQ(folder.read("Rip/my-site.xml"), "mine");
    EXPECT_NE(folder.read("Rip/my-site-2.xml").find("&lt;h2"), std::string::npos);
}

TEST(AddRuleSiteToLibrary, WritesTheRuleAndTheEntryOrNeither) {
    TempProgramFolder folder;
    CopyShippedStyleSheet(folder);
    folder.write("Categories.xml", "<Library><Category Name=\"Mine\"><site Name=\"Taken\" "
                                   "URL=\"t\"/></Category></Library>");
    EXPECT_EQ(AddRuleSiteToLibrary("Mine", "Town Page", "http://town.example/", HeadingRule(),
                                   "pieces.xslt"),
              "Mine->Town Page");
    EXPECT_TRUE(folder.exists("Rip/town-page.xml"));
    EXPECT_NE(folder.read("Categories.xml")
                  .find("<site Name=\"Town Page\" URL=\"http://town.example/\" Type=\"html\" "
                        "StyleSheet=\"pieces.xslt\" RipFile=\"town-page.xml\"/>"),
              std::string::npos);
    EXPECT_THROW(AddRuleSiteToLibrary("Mine", "Taken", "u", HeadingRule(), "pieces.xslt"),
                 Exception);
    EXPECT_THROW(AddRuleSiteToLibrary("Mine", "Other", "u", HeadingRule(), "../x.xslt"), Exception);
    EXPECT_FALSE(folder.exists("Rip/taken.xml"));
    EXPECT_FALSE(folder.exists("Rip/other.xml"));
}

class RulePreviewTest : public ::testing::Test {
  protected:
    void SetUp() override { CopyShippedStyleSheet(folder); }
    TempProgramFolder folder;
    PreviewPage page{kPage, "http://town.example/news/"};
};

TEST_F(RulePreviewTest, CutsThePiecesAndMakesTheBlockAsACycleWould) {
    const RulePreview preview = PreviewRule(page, HeadingRule(), "pieces.xslt");
    ASSERT_EQ(preview.problem, "");
    const std::vector<std::string> pieces = {
        "<p class=\"page-title\">Town &amp; Gown</p>",
        "<div class=\"piece\"><a href=\"/one\">One</a></div>",
        "<div class=\"piece\"><a href=\"two.html\">Two</a></div>",
        "<div class=\"piece\">Three &lt;3</div>"};
    EXPECT_EQ(preview.pieces, pieces);
    const std::string& block = preview.block;
    EXPECT_NE(block.find("<h2 class=\"site-name\"><a href=\"http://town.example/\">Town &amp; "
                         "Gown</a></h2>"),
              std::string::npos)
        << block;
    EXPECT_NE(block.find("href=\"http://town.example/one\""), std::string::npos);
    EXPECT_NE(block.find("href=\"http://town.example/news/two.html\""), std::string::npos);
    EXPECT_NE(block.find("<span class=\"item-title\">Three &lt;3</span>"), std::string::npos);
}

TEST_F(RulePreviewTest, SaysWhyWhenNothingCanBeShown) {
    RuleSettings rule = HeadingRule();
    rule.start.text = "<h9";
    const RulePreview none = PreviewRule(page, rule, "pieces.xslt");
    EXPECT_EQ(none.pieces.size(), 1u) << "the title alone";
    EXPECT_NE(none.block.find("Nothing to show"), std::string::npos);
    folder.write("stylesheets/broken.xslt", "<xsl:stylesheet");
    EXPECT_NE(PreviewRule(page, HeadingRule(), "broken.xslt").problem.find("does not load"),
              std::string::npos);
    EXPECT_NE(PreviewRule(page, HeadingRule(), "../pieces.xslt").problem, "");
}

TEST_F(RulePreviewTest, TheWorkerAlwaysEndsWithTheNewestRequest) {
    auto shared = std::make_shared<PreviewPage>(kPage, "http://town.example/");
    std::mutex mutex;
    std::condition_variable answer;
    std::vector<uint64_t> answered;
    RulePreview newestPreview;
    uint64_t newest = 0;
    {
        RulePreviewWorker worker(shared, [&](uint64_t request, const RulePreview& preview) {
            {
                std::lock_guard lock(mutex);
                answered.push_back(request);
                if (request == newest)
                    newestPreview = preview;
            }
            answer.notify_all();
        });
        for (int skip = 0; skip < 20; ++skip) {
            RuleSettings rule = HeadingRule();
            rule.start.skip = skip % 3;
            rule.titleHeading = false;
            std::lock_guard lock(mutex);
            newest = worker.request(rule, "pieces.xslt");
        }
        {
            std::unique_lock lock(mutex);
            EXPECT_TRUE(answer.wait_for(lock, std::chrono::seconds(30),
                                        [&] { return !newestPreview.pieces.empty(); }));
        }
        worker.request(HeadingRule(), "pieces.xslt"); // may be dropped: the worker goes now
    }
    std::lock_guard lock(mutex);
    EXPECT_TRUE(std::is_sorted(answered.begin(), answered.end()));
    EXPECT_LT(answered.size(), 21u) << "requests not yet started are replaced";
    // The newest passed over one heading of each pair: only "Two" is cut from the line.
    EXPECT_EQ(newestPreview.pieces,
              std::vector<std::string>{"<div class=\"piece\"><a href=\"two.html\">Two</a></div>"});
}

// The preview cuts on its worker while a cycle may be cutting on the window thread: each keeps
// its own cut output.
TEST_F(RulePreviewTest, APreviewAndACycleCutAtTheSameTimeWithoutMixing) {
    folder.write("Sites/cycle.dat", "<b>cycle</b><b>page</b>\r\n");
    msxml::XmlDocument rule = msxml::XmlDocument::Create();
    ASSERT_TRUE(rule.loadXML(kBoldRule));
    std::atomic<bool> mixed{false};
    std::thread preview([&] {
        for (int i = 0; i < 30; ++i)
            if (PreviewRule(page, HeadingRule(), "pieces.xslt").pieces.size() != 4)
                mixed = true;
    });
    for (int i = 0; i < 200; ++i) {
        RipOutput().open(folder.file("Work/cycle.dat"));
        RunCommandTree(rule.firstChild(), folder.file("Sites/cycle.dat"));
        RipOutput().close();
        if (folder.read("Work/cycle.dat") != "<b>cycle</b>\r\n<b>page</b>\r\n")
            mixed = true;
    }
    preview.join();
    EXPECT_FALSE(mixed);
}

} // namespace
