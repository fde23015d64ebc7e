// The small units of the display step: the run counter, the correction list, the placeholders
// and the links of a site's block.
#include "components/BlockLinks.h"
#include "pipeline/FixList.h"
#include "pipeline/Placeholders.h"
#include "pipeline/UpdateReminder.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace nimbrel;
using nimbrel::test::RecordingShell;
using nimbrel::test::TempProgramFolder;

namespace {

struct ReminderRun {
    int written;
    std::string fileBytes;
    std::vector<std::string> opened;
};

ReminderRun RunWith(const std::optional<std::string>& updateDat) {
    TempProgramFolder folder;
    RecordingShell shell;
    if (updateDat)
        folder.write("update.dat", *updateDat);
    const int written = RunUpdateReminder();
    return {written, folder.read("update.dat"), shell.opened};
}

TEST(UpdateReminder, CountsFromAMissingFile) {
    const auto run = RunWith(std::nullopt);
    EXPECT_EQ(run.written, 2);
    EXPECT_EQ(run.fileBytes, "2\r\n");
    EXPECT_TRUE(run.opened.empty());
}

TEST(UpdateReminder, OpensTheUpdatePageOnTheRunsReaching71To73) {
    EXPECT_TRUE(RunWith("69\r\n").opened.empty());
    const auto at70 = RunWith("70\r\n");
    EXPECT_EQ(at70.fileBytes, "71\r\n");
    ASSERT_EQ(at70.opened.size(), 1u);
    EXPECT_TRUE(at70.opened[0].ends_with("/update.html")) << at70.opened[0];
    EXPECT_EQ(RunWith("71").opened.size(), 1u);
    const auto at72 = RunWith("72\r\n");
    EXPECT_EQ(at72.fileBytes, "1\r\n");
    EXPECT_EQ(at72.opened.size(), 1u);
    EXPECT_TRUE(RunWith("1\r\n").opened.empty());
}

TEST(UpdateReminder, EmptyOrNonNumericFileRestartsTheCountAtOne) {
    EXPECT_EQ(RunWith("").fileBytes, "1\r\n");
    EXPECT_EQ(RunWith("\r\n").fileBytes, "1\r\n");
    EXPECT_EQ(RunWith("seventy\r\n").fileBytes, "1\r\n");
    EXPECT_EQ(RunWith("\x1A"
                      "70")
                  .fileBytes,
              "1\r\n");
    EXPECT_EQ(RunWith(" 12 \r\n").fileBytes, "13\r\n");
}

TEST(UpdateReminder, LargestStoredCountDoesNotOverflow) {
    const auto run = RunWith("2147483647\r\n");
    EXPECT_EQ(run.fileBytes, "1\r\n");
    EXPECT_EQ(run.opened.size(), 1u);
    EXPECT_EQ(RunWith("-5").fileBytes, "-4\r\n");
}

TEST(FixListLines, FindTextAndReplacementFromTheSeparator) {
    auto pair = ParseFixLine("\"&amp;nbsp;\",\"&#160;\"");
    ASSERT_TRUE(pair);
    EXPECT_EQ(pair->find, "&amp;nbsp;");
    EXPECT_EQ(pair->replacement, "&#160;");
    // Only the first separator splits; the rest belongs to the replacement.
    pair = ParseFixLine("\"a\",\"b\",\"c\"");
    ASSERT_TRUE(pair);
    EXPECT_EQ(pair->find, "a");
    EXPECT_EQ(pair->replacement, "b\",\"c");
    pair = ParseFixLine("\"x\",\"");
    ASSERT_TRUE(pair);
    EXPECT_EQ(pair->replacement, "");
}

TEST(FixListLines, LinesWithoutTheSeparatorGiveNoPair) {
    EXPECT_FALSE(ParseFixLine(""));
    EXPECT_FALSE(ParseFixLine("\"a\";\"b\""));
    EXPECT_FALSE(ParseFixLine("plain words"));
    EXPECT_FALSE(ParseFixLine("\",\""));
}

TEST(FixListApply, PairsApplyInFileOrderWithoutRescanning) {
    TempProgramFolder folder;
    folder.write("fix.dat", "\"cat\",\"dog\"\r\n\"dog\",\"wolf\"\r\n\"o\",\"oo\"\r\n");
    const auto pairs = LoadFixList(folder.file("fix.dat"));
    ASSERT_EQ(pairs.size(), 3u);
    EXPECT_EQ(ApplyFixList("cat dog Cat", pairs), "woolf woolf Cat");
}

TEST(FixListApply, EmptyFindTextAndMissingFileChangeNothing) {
    TempProgramFolder folder;
    folder.write("fix.dat", "\"\",\"X\"\r\n");
    EXPECT_EQ(ApplyFixList("abc", LoadFixList(folder.file("fix.dat"))), "abc");
    EXPECT_TRUE(LoadFixList(folder.file("none.dat")).empty());
}

TEST(FixListApply, BinaryFileNeverCrashesAndChangesNothingWithoutPairs) {
    TempProgramFolder folder;
    std::string binary;
    for (int i = 0; i < 4096; ++i)
        binary += static_cast<char>((i * 37 + 11) % 256 == 0x1A ? 0 : (i * 37 + 11) % 256);
    binary.erase(std::remove(binary.begin(), binary.end(), '"'), binary.end());
    folder.write("fix.dat", binary + "\x1A\"text\",\"gone\"\r\n");
    const auto pairs = LoadFixList(folder.file("fix.dat"));
    EXPECT_TRUE(pairs.empty());
    EXPECT_EQ(ApplyFixList("some text", pairs), "some text");
}

TEST(SitePlaceholders, BothFormsOfEveryEntryAreReplaced) {
    const std::string layout = "<td><site URL=\"a.com/x\" /></td><td><site URL=\"a.com/x\"></site>"
                               "</td><td><site URL=\"b.com\" /></td>";
    EXPECT_EQ(ReplaceSitePlaceholders(layout, "a.com/x", "[A]"),
              "<td>[A]</td><td>[A]</td><td><site URL=\"b.com\" /></td>");
}

TEST(SitePlaceholders, UrlWithCharactersTheTransformEscapesIsFound) {
    const std::string url = "news.example/list?a=1&b=<2>\"q\"";
    const std::string xmlForm =
        "<site URL=\"news.example/list?a=1&amp;b=&lt;2&gt;&quot;q&quot;\" />";
    const std::string htmlForm =
        "<site URL=\"news.example/list?a=1&amp;b=&lt;2&gt;&quot;q&quot;\"></site>";
    EXPECT_EQ(ReplaceSitePlaceholders("1" + xmlForm + "2" + htmlForm, url, "[B]"), "1[B]2[B]");
}

TEST(SitePlaceholders, HtmlOutputQuotesAUrlHoldingADoubleQuoteWithSingleQuotes) {
    const std::string url = "a.example/?q=\"x\"&y=<1>";
    EXPECT_EQ(ReplaceSitePlaceholders("<site URL='a.example/?q=\"x\"&amp;y=&lt;1&gt;'></site>", url,
                                      "[C]"),
              "[C]");
}

TEST(SitePlaceholders, AnotherUrlsPlaceholderIsLeftAlone) {
    const std::string layout = "<site URL=\"a.com/xy\" />";
    EXPECT_EQ(ReplaceSitePlaceholders(layout, "a.com/x", "[A]"), layout);
}

TEST(SitePlaceholders, AllBlocksPlacedInOnePassAsSiteBySite) {
    const std::string layout = "<td><site URL=\"a.com/x\" /></td><td><site URL=\"b&amp;c\"></site>"
                               "</td><td><site URL=\"a.com/x\"></site></td><site URL=\"zz\" />";
    const std::vector<PlacedBlock> sites = {
        {"a.com/x", "[A1]"}, {"b&c", "[B]"}, {"a.com/x", "[A2]"}};
    std::string sequential = layout;
    for (const PlacedBlock& site : sites)
        sequential = ReplaceSitePlaceholders(sequential, site.url, site.block);
    EXPECT_EQ(PlaceBlocks(layout, sites), sequential);
    EXPECT_EQ(sequential, "<td>[A1]</td><td>[B]</td><td>[A1]</td><site URL=\"zz\" />");
}

TEST(SitePlaceholders, BlockHoldingALaterPlaceholderIsReplacedToo) {
    const std::vector<PlacedBlock> sites = {{"a", "<site URL=\"b\" />"}, {"b", "[B]"}};
    EXPECT_EQ(PlaceBlocks("<site URL=\"a\" />|<site URL=\"b\"></site>", sites), "[B]|[B]");
}

TEST(SitePlaceholders, EngineDeclarationsAreRemovedEverywhere) {
    const std::string decl = "<?xml version=\"1.0\" encoding=\"UTF-16\"?>";
    EXPECT_EQ(RemoveEngineDeclarations(decl + "<p>" + decl + "x</p>" + decl), "<p>x</p>");
}

const char* const kSite = "news.example.com/section/index.html?page=2";

// A block that parses as XML is still written back as HTML: an empty element keeps its end tag,
// where <a href="..."/> would open a link that swallows the rest of the page.
TEST(BlockLinks, RelativeLinksOfAnXmlBlockBecomeAbsoluteAndStayHtml) {
    const std::string block = "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n<div class=\"s\">"
                              "<a href=\"/story/1\">Caf\xC3\xA9</a><img src=\"pic.png\"/>"
                              "<a href=\"../up?a=1&amp;b=2\">up</a><a href=\"/e\"/>"
                              "<span class=\"t\"/>after</div>";
    EXPECT_EQ(ResolveBlockLinks(block, kSite),
              "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n<div class=\"s\">"
              "<a href=\"http://news.example.com/story/1\">Caf\xC3\xA9</a>"
              "<img src=\"http://news.example.com/section/pic.png\">"
              "<a href=\"http://news.example.com/up?a=1&amp;b=2\">up</a>"
              "<a href=\"http://news.example.com/e\"></a><span class=\"t\"></span>after</div>");
}

TEST(BlockLinks, RelativeLinksOfAnHtmlBlockBecomeAbsolute) {
    const std::string block = "<table><tr><td><a HREF=\"item?id=7\">Gr\xC3\xBC\xC3\x9F"
                              "e</a><br>&nbsp;<IMG SRC=\"//cdn.example.org/i.gif\"></td></tr>"
                              "</table>";
    const std::string out = ResolveBlockLinks(block, "https://board.example/news");
    EXPECT_NE(out.find("href=\"https://board.example/item?id=7\""), std::string::npos) << out;
    EXPECT_NE(out.find("src=\"https://cdn.example.org/i.gif\""), std::string::npos) << out;
    EXPECT_NE(out.find("Gr\xC3\xBC\xC3\x9F"
                       "e</a><br>"),
              std::string::npos)
        << out;
}

TEST(BlockLinks, AbsoluteSpecialAndEmptyValuesStay) {
    const std::string block =
        "<p><a href=\"http://other.example/\">a</a><a href=\"MAILTO:x@y\">m</a>"
        "<a href=\"#top\">t</a><a href=\"\">e</a><img src=\"HTTPS://i.example/p.png\"/></p>";
    EXPECT_EQ(ResolveBlockLinks(block, kSite), block);
}

TEST(BlockLinks, NoScriptOrForeignSchemeSurvives) {
    const struct {
        std::string block;
        std::string expected;
    } cases[] = {
        {"<p><a href=\"javascript:alert(1)\">j</a></p>", "<p><a href=\"#\">j</a></p>"},
        {"<p><a href=\" JaVa&#9;Script:x\">j</a></p>", "<p><a href=\"#\">j</a></p>"},
        {"<p><img src=\"data:text/html,x\"/><img src=\"file:///etc/passwd\"/></p>",
         "<p><img><img></p>"},
        {"<p><iframe src=\"vbscript:x\"></iframe><a href=\"feed:x\">f</a></p>",
         "<p><iframe></iframe><a href=\"#\">f</a></p>"},
        {"<p onclick=\"x()\">a<script>alert(1)</script><b onMouseOver=\"y\">b</b></p>",
         "<p>a<b>b</b></p>"},
        {"<svg xmlns:xlink=\"http://www.w3.org/1999/xlink\"><a xlink:href=\"javascript:x\"/></svg>",
         "<svg xmlns:xlink=\"http://www.w3.org/1999/xlink\"><a xlink:href=\"#\"></a></svg>"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ResolveBlockLinks(c.block, kSite), c.expected) << c.block;
    const std::string html = ResolveBlockLinks("<p><a HREF=javascript:x>j</a><br></p>", kSite);
    EXPECT_EQ(html.find("javascript"), std::string::npos) << html;
}

TEST(BlockLinks, BlocksWithoutLinksOrUnreadableComeBackUnchanged) {
    EXPECT_EQ(ResolveBlockLinks("<p>plain</p>", kSite), "<p>plain</p>");
    EXPECT_EQ(ResolveBlockLinks("", kSite), "");
    const std::string odd = "text with href= but no tag <";
    EXPECT_EQ(ResolveBlockLinks(odd, kSite), odd);
}

TEST(BlockLinks, SiteAddressWithoutSchemeIsHttp) {
    EXPECT_EQ(SiteBaseAddress("host.example/a"), "http://host.example/a");
    EXPECT_EQ(SiteBaseAddress(" https://host.example/a "), "https://host.example/a");
    EXPECT_EQ(SiteBaseAddress("host.example/redirect?to=http://x"),
              "http://host.example/redirect?to=http://x");
}

} // namespace
