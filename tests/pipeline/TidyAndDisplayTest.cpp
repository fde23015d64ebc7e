// The display step end to end on a temporary program folder: cut texts in Work, the test
// layout and site stylesheets from tests/fixtures/display, site.html and what is opened.
#include "pipeline/TidyAndDisplay.h"

#include "components/TidyCOM_TLB.h"
#include "pipeline/PageEncoding.h"
#include "pipeline/SiteFailure.h"
#include "pipeline/SiteFiles.h"
#include "platform/Errors.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace nimbrel;
using nimbrel::test::RecordingShell;
using nimbrel::test::Repeated;
using nimbrel::test::RepoFixture;
using nimbrel::test::ScriptedDialogs;
using nimbrel::test::TempProgramFolder;

namespace {

struct Site {
    std::string url;
    std::string styleSheet;
    std::string type;
};

std::string Escaped(const std::string& value) {
    std::string out;
    for (char c : value) {
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '"')
            out += "&quot;";
        else
            out += c;
    }
    return out;
}

size_t Count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

std::string Feed(const std::string& title, const std::vector<std::string>& items) {
    std::string text = "<rss><channel><title>" + title + "</title><link>/</link>";
    for (size_t i = 0; i < items.size(); ++i)
        text += "<item><title>" + items[i] + "</title><link>/story/" + std::to_string(i + 1) +
                "</link></item>";
    return text + "</channel></rss>";
}

class DisplayStep : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::copy(RepoFixture("display/setup.xslt"), folder.file("setup.xslt"));
        std::filesystem::copy(RepoFixture("display/stylesheets"), folder.file("stylesheets"),
                              std::filesystem::copy_options::recursive);
    }

    void Select(const std::vector<Site>& sites) {
        std::string xml = "<Layout><table><tr>";
        for (const Site& s : sites)
            xml += "<td><site Name=\"n\" URL=\"" + Escaped(s.url) + "\" Type=\"" + s.type +
                   "\" StyleSheet=\"" + s.styleSheet + "\" RipFile=\"r.xml\"/></td>";
        folder.write("setup.xml", xml + "</tr></table></Layout>");
    }
    void Cut(const std::string& url, const std::string& text) {
        folder.write("Work/" + PageFileName(url), text);
    }
    bool Run(bool autoView = false) { return TidyAndDisplay("setup.xml", {autoView}).written; }
    std::string Page() { return folder.read("site.html"); }

    TempProgramFolder folder;
    ScriptedDialogs dialogs;
    RecordingShell shell;
};

TEST_F(DisplayStep, NoSitesGiveWidthZeroAndTheLayoutAlone) {
    Select({});
    ASSERT_TRUE(Run());
    const std::string page = Page();
    EXPECT_NE(page.find("<table class=\"digest\" cellpadding=\"2\" width=\"0\">"),
              std::string::npos)
        << page;
    EXPECT_EQ(page.find("<td"), std::string::npos);
    EXPECT_EQ(page.find("<?xml"), std::string::npos);
    EXPECT_EQ(page.find("digest-summary"), std::string::npos) << "nothing to sum up";
    ASSERT_GE(page.size(), 4u);
    EXPECT_EQ(page.substr(page.size() - 2), "\r\n");
    EXPECT_NE(page.substr(page.size() - 4, 2), "\r\n");
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(DisplayStep, EachSiteBlockTakesItsPlaceInSelectionOrder) {
    Select({{"one.example/news", "feed.xsl", "xml"}, {"two.example/feed", "feed.xsl", "XML"}});
    Cut("one.example/news", Feed("One", {"First story", "Second story"}));
    Cut("two.example/feed", Feed("Two", {"Other story"}));
    ASSERT_TRUE(Run());
    const std::string page = Page();
    EXPECT_NE(page.find("width=\"616\""), std::string::npos);
    EXPECT_EQ(page.find("<site"), std::string::npos) << page;
    const size_t first = page.find("First story");
    const size_t second = page.find("Second story");
    const size_t other = page.find("Other story");
    ASSERT_NE(other, std::string::npos) << page;
    EXPECT_LT(first, second);
    EXPECT_LT(second, other);
    EXPECT_EQ(page.find("<?xml version=\"1.0\" encoding=\"UTF-16\"?>"), std::string::npos);
}

TEST_F(DisplayStep, RelativeLinksPointAtTheSite) {
    Select({{"one.example/news/today.html", "feed.xsl", "xml"}});
    Cut("one.example/news/today.html", Feed("One", {"A"}));
    ASSERT_TRUE(Run());
    const std::string page = Page();
    EXPECT_NE(page.find("href=\"http://one.example/story/1\""), std::string::npos) << page;
    EXPECT_NE(page.find("href=\"http://one.example/\""), std::string::npos) << page;
}

TEST_F(DisplayStep, SameUrlTwiceGetsTheBlockInBothPlaces) {
    Select({{"one.example/news", "feed.xsl", "xml"}, {"one.example/news", "feed.xsl", "xml"}});
    Cut("one.example/news", Feed("One", {"Only story"}));
    ASSERT_TRUE(Run());
    EXPECT_EQ(Count(Page(), "Only story"), 2u);
    EXPECT_EQ(Page().find("<site"), std::string::npos);
}

TEST_F(DisplayStep, UrlWithEscapedCharactersStillHasItsPlaceholderReplaced) {
    const std::string url = "one.example/list?a=1&b=<2>\"x\"";
    Select({{url, "feed.xsl", "xml"}});
    Cut(url, Feed("One", {"Escaped story"}));
    ASSERT_TRUE(Run());
    EXPECT_NE(Page().find("Escaped story"), std::string::npos) << Page();
    EXPECT_EQ(Page().find("<site"), std::string::npos) << Page();
}

TEST_F(DisplayStep, XmlOutputLayoutPlaceholdersAreReplacedToo) {
    std::filesystem::copy(RepoFixture("display/setup-xml-output.xslt"), folder.file("setup.xslt"),
                          std::filesystem::copy_options::overwrite_existing);
    const std::string url = "one.example/q?x=1&y=2";
    Select({{url, "feed.xsl", "xml"}});
    Cut(url, Feed("One", {"Story"}));
    ASSERT_TRUE(Run());
    EXPECT_NE(Page().find("Story"), std::string::npos);
    EXPECT_EQ(Page().find("<site"), std::string::npos) << Page();
}

TEST_F(DisplayStep, TypeHtmlInCapitalsIsCleanedAsHtml) {
    // As HTML the upper-case tags become <p>; as XML they would stay <P> and match nothing.
    Select({{"a.example/x", "page.xsl", "HTML"}, {"b.example/y", "page.xsl", "xml"}});
    Cut("a.example/x", "<P>Para A</P>");
    Cut("b.example/y", "<P>Para B</P>");
    ASSERT_TRUE(Run());
    EXPECT_NE(Page().find("<li class=\"para\">Para A</li>"), std::string::npos) << Page();
    EXPECT_EQ(Page().find("<li class=\"para\">Para B</li>"), std::string::npos) << Page();
}

TEST_F(DisplayStep, UrlWithoutSlashReadsTheWorkFileNamedByIt) {
    Select({{"localfeed", "feed.xsl", "xml"}});
    folder.write("Work/localfeed.dat", Feed("Local", {"Local story"}));
    ASSERT_TRUE(Run());
    EXPECT_NE(Page().find("Local story"), std::string::npos);
}

TEST_F(DisplayStep, AddXmlTagsWrapsSeveralTopElements) {
    const std::string items = "<item href=\"/1\">One</item><item href=\"/2\">Two</item>";
    Select({{"a.example/x", "items.xsl", "AddXmlTags"}, {"b.example/y", "items.xsl", "xml"}});
    Cut("a.example/x", items);
    Cut("b.example/y", items);
    ASSERT_TRUE(Run());
    const std::string page = Page();
    EXPECT_NE(page.find("<a href=\"http://a.example/2\">Two</a>"), std::string::npos) << page;
    // Unwrapped, the same text has two roots, does not parse, and leaves an empty block.
    EXPECT_EQ(page.find("http://b.example/2"), std::string::npos) << page;
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(DisplayStep, UnparsableTextDoesNotInheritThePreviousSitesContent) {
    Select({{"a.example/x", "feed.xsl", "xml"}, {"b.example/y", "feed.xsl", "xml"}});
    Cut("a.example/x", Feed("A", {"Story of A"}));
    Cut("b.example/y", "<rss><channel><title>B</title></rss><rss/>");
    ASSERT_TRUE(Run());
    EXPECT_EQ(Count(Page(), "Story of A"), 1u) << Page();
}

TEST_F(DisplayStep, MissingWorkFileGivesAnEmptyBlockAndTheRunGoesOn) {
    Select({{"gone.example/x", "feed.xsl", "xml"}, {"b.example/y", "feed.xsl", "xml"}});
    Cut("b.example/y", Feed("B", {"Story of B"}));
    ASSERT_TRUE(Run());
    EXPECT_NE(Page().find("Story of B"), std::string::npos);
    EXPECT_EQ(Page().find("<site"), std::string::npos) << Page();
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(DisplayStep, FixListPairsApplyInOrderAndEmptyFindChangesNothing) {
    folder.write("fix.dat", "\"\",\"NEVER\"\r\n\"Colour\",\"Color\"\r\n\"Color\",\"Hue\"\r\n"
                            "no separator line\r\n");
    Select({{"a.example/x", "feed.xsl", "xml"}});
    Cut("a.example/x", Feed("A", {"Colour story"}));
    ASSERT_TRUE(Run());
    EXPECT_NE(Page().find("Hue story"), std::string::npos) << Page();
    EXPECT_EQ(Page().find("NEVER"), std::string::npos);
}

TEST_F(DisplayStep, OpensTheDigestOnlyWithAutomaticDisplay) {
    Select({});
    ASSERT_TRUE(Run(false));
    EXPECT_TRUE(shell.opened.empty());
    EXPECT_TRUE(folder.exists("site.html"));
    ASSERT_TRUE(Run(true));
    ASSERT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(shell.opened[0], folder.path() + "/site.html");
}

TEST_F(DisplayStep, UpdateCounterAdvancesAndRestarts) {
    Select({});
    folder.write("update.dat", "72\r\n");
    ASSERT_TRUE(Run(false));
    EXPECT_EQ(folder.read("update.dat"), "1\r\n");
    ASSERT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(shell.opened[0], folder.path() + "/update.html");
    folder.write("update.dat", "");
    ASSERT_TRUE(Run(false));
    EXPECT_EQ(folder.read("update.dat"), "1\r\n");
}

TEST_F(DisplayStep, LayoutWithoutTableLeavesTheWidthAndGoesOn) {
    folder.write("setup.xslt",
                 "<xsl:stylesheet version=\"1.0\" "
                 "xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\"><xsl:output method=\"html\"/>"
                 "<xsl:template match=\"/\"><div><xsl:for-each select=\"//site\"><site "
                 "URL=\"{@URL}\"/></xsl:for-each></div></xsl:template></xsl:stylesheet>");
    Select({{"a.example/x", "feed.xsl", "xml"}});
    Cut("a.example/x", Feed("A", {"No table story"}));
    ASSERT_TRUE(Run());
    EXPECT_NE(Page().find("No table story"), std::string::npos);
    EXPECT_EQ(Page().find("width="), std::string::npos);
}

TEST_F(DisplayStep, LettersOfUtf8AndConvertedPagesSurvive) {
    Select({{"pt.example/rss", "feed.xsl", "xml"}, {"jp.example/rss", "feed.xsl", "xml"}});
    Cut("pt.example/rss",
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>" + Feed("JN", {"Not\xED"
                                                                        "cias \xDAltimas"}));
    ConvertPageToUtf8(folder.file("Work/" + PageFileName("pt.example/rss")), "");
    Cut("jp.example/rss", Feed("JP", {"\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E"}));
    ASSERT_TRUE(Run());
    EXPECT_NE(Page().find("Not\xC3\xAD"
                          "cias \xC3\x9Altimas"),
              std::string::npos)
        << Page() << folder.read("Work/" + PageFileName("pt.example/rss"));
    EXPECT_NE(Page().find("\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E"), std::string::npos) << Page();
}

// ---- one bad site: its notice in its place, every other site as ever ----------------------

const char* const kRecursing =
    "<xsl:stylesheet version='1.0' xmlns:xsl='http://www.w3.org/1999/XSL/Transform'>"
    "<xsl:template match='/'><xsl:call-template name='r'/></xsl:template>"
    "<xsl:template name='r'><b><xsl:call-template name='r'/></b></xsl:template>"
    "</xsl:stylesheet>";

std::string SheetDoing(const std::string& body) {
    return "<xsl:stylesheet version='1.0' xmlns:xsl='http://www.w3.org/1999/XSL/Transform' "
           "xmlns:exsl='http://exslt.org/common' extension-element-prefixes='exsl'>"
           "<xsl:template match='/'>" +
           body + "</xsl:template></xsl:stylesheet>";
}

TEST_F(DisplayStep, OneSitesFailureShowsItsNoticeAndTheOtherSitesTheirBlocks) {
    folder.write("stylesheets/recursing.xsl", kRecursing);
    folder.write("stylesheets/reading.xsl", SheetDoing("<p><xsl:value-of select=\"document('" +
                                                       folder.file("setup.xml") + "')\"/></p>"));
    folder.write("stylesheets/writing.xsl",
                 SheetDoing("<exsl:document href='" + folder.file("written.txt") +
                            "' method='text'>x</exsl:document>"));
    folder.write("stylesheets/stopping.xsl",
                 SheetDoing("<xsl:message terminate='yes'>halt</xsl:message>"));
    const struct {
        std::string styleSheet;
        std::string cut; // the bad site's cut text; "-" for an unreadable cut file
        std::string reason;
    } cases[] = {
        {"none.xsl", "", "The stylesheet none.xsl does not load"},
        {"broken.xsl", "", "The stylesheet broken.xsl does not load"},
        {"../setup.xslt", "", "lies outside the folder stylesheets"},
        {"", "", "names no stylesheet"},
        {"recursing.xsl", "", "The stylesheet recursing.xsl failed"},
        {"reading.xsl", "", "The stylesheet reading.xsl failed"},
        {"writing.xsl", "", "The stylesheet writing.xsl failed"},
        {"stopping.xsl", "", "The stylesheet stopping.xsl failed"},
        {"feed.xsl", "-", "The cut page cannot be cleaned"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.styleSheet + " " + c.reason);
        folder.write("setup.xml", "<Layout><site Name='Good' URL='good.example/feed' Type='xml' "
                                  "StyleSheet='feed.xsl'/><site Name='B&amp;d' "
                                  "URL='bad.example/feed' Type='xml' StyleSheet='" +
                                      c.styleSheet + "'/></Layout>");
        Cut("good.example/feed", Feed("Good", {"Good story"}));
        std::filesystem::remove(folder.file("Work/" + PageFileName("bad.example/feed")));
        if (c.cut == "-")
            std::filesystem::create_symlink(
                "/proc/self/mem", folder.file("Work/" + PageFileName("bad.example/feed")));
        else
            Cut("bad.example/feed", c.cut.empty() ? Feed("Bad", {"Bad story"}) : c.cut);
        const DisplayReport report = TidyAndDisplay("setup.xml", {false});
        ASSERT_TRUE(report.written);
        ASSERT_EQ(report.failures.size(), 1u);
        EXPECT_EQ(report.failures[0].name, "B&d");
        EXPECT_NE(report.failures[0].reason.find(c.reason), std::string::npos)
            << report.failures[0].reason;
        const std::string page = Page();
        EXPECT_NE(page.find("Good story"), std::string::npos) << page;
        const std::string top = nimbrel::test::FrameTop(page, "B&amp;d");
        EXPECT_NE(top.find("data-status=\"failed\""), std::string::npos) << page;
        EXPECT_NE(top.find("Could not update at "), std::string::npos) << top;
        EXPECT_EQ(page.find("<site"), std::string::npos) << page;
        EXPECT_FALSE(folder.exists("written.txt"));
        EXPECT_TRUE(dialogs.messages.empty());
    }
}

TEST_F(DisplayStep, ACutFailureNoteIsShownInsteadOfTheOldCut) {
    Select({{"a.example/x", "feed.xsl", "xml"}});
    Cut("a.example/x", Feed("A", {"Old story"}));
    RecordCutFailure("a.example/x", "The rule file r.xml could not cut the page: 'abc' is not "
                                    "a valid integer value");
    ASSERT_TRUE(Run());
    EXPECT_EQ(Page().find("Old story"), std::string::npos);
    EXPECT_NE(Page().find("could not cut the page: &#39;abc&#39; is not a valid integer value"),
              std::string::npos)
        << Page();
}

// ---- bad input: the messages, and site.html keeps its old content -------------------------

class DisplayStepFailure : public DisplayStep {
  protected:
    void SetUp() override {
        DisplayStep::SetUp();
        folder.write("site.html", "previous digest\r\n");
    }
    void ExpectOldDigest() {
        EXPECT_EQ(Page(), "previous digest\r\n");
        EXPECT_TRUE(shell.opened.empty());
    }
};

TEST_F(DisplayStepFailure, MissingSelectionShowsTheSetupMessage) {
    EXPECT_FALSE(Run(true));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    const std::string& message = dialogs.messages[0];
    EXPECT_EQ(message.rfind(kSetupLoadErrorMessage, 0), 0u);
    EXPECT_GT(message.size(), std::string(kSetupLoadErrorMessage).size());
    ExpectOldDigest();
}

TEST_F(DisplayStepFailure, MalformedSelectionOrLayoutShowsTheSetupMessage) {
    folder.write("setup.xml", "<Layout><table>");
    EXPECT_FALSE(Run(true));
    Select({});
    folder.write("setup.xslt", "<xsl:stylesheet");
    EXPECT_FALSE(Run(true));
    std::filesystem::remove(folder.file("setup.xslt"));
    EXPECT_FALSE(Run(true));
    ASSERT_EQ(dialogs.messages.size(), 3u);
    for (const std::string& message : dialogs.messages)
        EXPECT_EQ(message.rfind("Procudure Rip....[Error in setup.xml File]....", 0), 0u);
    ExpectOldDigest();
}

TEST_F(DisplayStepFailure, MissingCleanerIsHandedToTheCaller) {
    Select({});
    tidycom::SetCleanerAvailableForTesting(false);
    const DisplayReport report = TidyAndDisplay("setup.xml", {true});
    tidycom::SetCleanerAvailableForTesting(true);
    EXPECT_TRUE(report.cleanerMissing);
    EXPECT_FALSE(report.written);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(folder.read("update.dat"), "2\r\n");
    ExpectOldDigest();
}

} // namespace
