// Download cycles through nimbrel-digest on the shipped program folder, against pages served from
// 127.0.0.1, with hostile and broken sites beside good ones: every bad site shows its name and
// reason in the digest, the good sites their blocks, and the cycle ends normally. The hostile
// pages are made here, not kept in the repository.
#include "DigestProcess.h"
#include "pipeline/SiteFiles.h"
#include "pipeline/SiteWorkers.h"
#include "platform/Limits.h"
#include "support/HttpTestServer.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <regex>

using namespace nimbrel::test;

namespace {

std::string Rss(const std::string& title, const std::string& item,
                const std::string& description = "") {
    return "<rss version=\"2.0\"><channel><title>" + title +
           "</title><link>http://feed.example/</link><item><title>" + item +
           "</title><link>http://x.example/1</link><description>" + description +
           "</description></item></channel></rss>";
}

std::string Lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

struct Site {
    std::string name;
    std::string path;
    std::string body; // empty: the server answers 404
    std::string styleSheet = "feed.xslt";
    std::string ripFile = "feed.xml";
    std::string type = "rss";
};

class HostileSites : public ::testing::Test {
  protected:
    void SetUp() override {
        CopyShippedData(folder);
        folder.write("Rip/body.xml",
                     "<R><Command Name='append' Specific='0'><StartTag IncludeTags='1' "
                     "ReverseLTags='0' SkipSimilar='0'>&lt;body</StartTag><EndTag IncludeTags='1' "
                     "ReverseLTags='0' SkipSimilar='0'>&lt;/body&gt;</EndTag></Command></R>");
    }

    std::string Url(const Site& site) const { return server.hostPort() + site.path; }

    void Select(const std::vector<Site>& sites) {
        std::string xml = "<Layout>";
        for (const Site& site : sites) {
            server.route(site.path.substr(0, site.path.find('?')),
                         site.body.empty() ? HttpRoute::Body("gone", 404)
                                           : HttpRoute::Body(site.body));
            xml += "<site Name=\"" + site.name + "\" URL=\"" + Url(site) + "\" Type=\"" +
                   site.type + "\" StyleSheet=\"" + site.styleSheet + "\" RipFile=\"" +
                   site.ripFile + "\"/>";
        }
        folder.write("setup.xml", xml + "</Layout>");
    }

    // One whole cycle, given a minute at most.
    DigestResult Digest() {
        return RunDigest({"--folder", folder.path(), "--no-open"}, {}, -1,
                         std::chrono::seconds(60));
    }

    // The failure note of the named site, or empty when its block was made.
    std::string Notice(const std::string& page, const std::string& name) {
        const std::string top = FrameTop(page, name);
        return top.find("data-status=\"failed\"") == std::string::npos ? std::string() : top;
    }

    // Every site's frame is there; the good ones show their story.
    void ExpectGoodSitesAndEveryFrame(const std::string& page, const std::vector<Site>& sites) {
        for (const Site& site : sites)
            EXPECT_NE(FrameTop(page, site.name), "") << site.name << " has no frame";
        EXPECT_NE(page.find("First good story"), std::string::npos);
        EXPECT_NE(page.find("Second good story"), std::string::npos);
        EXPECT_EQ(Notice(page, "Good"), "");
        EXPECT_EQ(Notice(page, "Also good"), "");
    }

    TempProgramFolder folder;
    HttpTestServer server;
};

const Site kGood{"Good", "/good", Rss("Good feed", "First good story")};
const Site kAlsoGood{"Also good", "/also-good", Rss("Also good feed", "Second good story")};

TEST_F(HostileSites, EachBadSiteShowsItsReasonAndTheGoodSitesTheirBlocks) {
    folder.write("Rip/bad-number.xml",
                 "<R><Command Name='append' Specific='abc'><StartTag ReverseLTags='0' "
                 "SkipSimilar='0'>&lt;item</StartTag><EndTag ReverseLTags='0' "
                 "SkipSimilar='0'>&lt;/item&gt;</EndTag></Command></R>");
    const std::string longQuery = "?q=" + std::string(300, 'w');
    const std::vector<Site> sites = {
        kGood,
        {"Tags", "/tags",
         Rss(Repeated("&lt;b&gt;", 1000) + "T" + Repeated("&lt;/b&gt;", 1000), "Tag story")},
        {"Sheetless", "/sheetless", Rss("S", "S story"), "gone.xslt"},
        {"Numbers", "/numbers", Rss("N", "N story"), "feed.xslt", "bad-number.xml"},
        {"Outside", "/outside", Rss("O", "O story"), "feed.xslt", "../setup.xslt"},
        {"Ruleless", "/ruleless", Rss("R", "R story"), "feed.xslt", "absent.xml"},
        {"Blank rule", "/blank-rule", Rss("B", "B story"), "feed.xslt", ""},
        {"Recordless", "/recordless", Rss("Rec", "Rec story")},
        {"Long", "/long" + longQuery, Rss("Long feed", "Long story")},
        {"Script", "/script",
         "<rss version=\"2.0\"><channel><title>Script feed</title><link>javascript:alert(1)</link>"
         "<item><title>Script story</title></item></channel></rss>"},
        kAlsoGood,
    };
    Select(sites);
    // A record that is a folder: the site cannot be asked for its page, and fails alone.
    std::filesystem::create_directory(
        folder.file("Sites/" + nimbrel::PageFileStem(Url(sites[7])) + ".rec"));
    folder.write("site.html.tmp-AbC123", "left by a killed run");
    folder.write("Sites/x.dat.tmp-Zz9Zz9", "left by a killed run");
    folder.write("Temp/x.dat.temp.temp", "left by a killed run");
    folder.write("Work/notes.tmp-abc", "not the pattern");
    folder.write("Rip/feed.xml.tmp-abcdef", "not one of the program's working folders");

    const DigestResult run = Digest();
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string page = folder.read("site.html");
    ExpectGoodSitesAndEveryFrame(page, sites);
    const struct {
        const char* name;
        const char* reason; // nullptr: the site shows its block
    } expected[] = {
        {"Tags", "recursion"},
        {"Sheetless", "The stylesheet gone.xslt does not load"},
        {"Numbers", "&#39;abc&#39; is not a valid integer value"},
        {"Outside", "lies outside the folder Rip"},
        {"Ruleless", "The rule file Rip/absent.xml was not found"},
        {"Blank rule", "The selection names no rule file for this site"},
        {"Recordless", ".rec cannot be read"},
        {"Long", nullptr},
        {"Script", nullptr},
    };
    for (const auto& site : expected) {
        const std::string notice = Notice(page, site.name);
        if (site.reason)
            EXPECT_NE(notice.find(site.reason), std::string::npos) << site.name << ": " << notice;
        else
            EXPECT_EQ(notice, "") << site.name;
    }
    // A missing rule file still says what it always said, and no longer ends the run.
    EXPECT_NE(run.err.find("/Rip/absent.xml not found, the program will exit now!"),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("Ruleless: not shown:"), std::string::npos);
    EXPECT_NE(page.find("Long story"), std::string::npos);
    EXPECT_NE(page.find("Script story"), std::string::npos);
    EXPECT_EQ(page.find("javascript:"), std::string::npos);
    EXPECT_NE(page.find("Content-Security-Policy"), std::string::npos);
    EXPECT_NE(run.err.find("Sheetless: not shown:"), std::string::npos);
    const std::string longStem = nimbrel::PageFileStem(server.hostPort() + "/long" + longQuery);
    EXPECT_EQ(longStem.size(), 235u);
    EXPECT_TRUE(folder.exists("Sites/" + longStem + ".dat"));

    EXPECT_FALSE(folder.exists("site.html.tmp-AbC123"));
    EXPECT_FALSE(folder.exists("Sites/x.dat.tmp-Zz9Zz9"));
    EXPECT_FALSE(folder.exists("Temp/x.dat.temp.temp"));
    EXPECT_TRUE(folder.exists("Work/notes.tmp-abc"));
    EXPECT_TRUE(folder.exists("Rip/feed.xml.tmp-abcdef"));
}

// Pages and a stylesheet that once crashed the whole cycle, kept it busy for minutes or took
// gigabytes now cost their own site at most, within the workers' time and memory.
TEST_F(HostileSites, RunawayPagesAndStylesheetsCostTheirOwnSiteOnly) {
    folder.write("stylesheets/doubling.xslt",
                 "<xsl:stylesheet version=\"1.0\" "
                 "xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\"><xsl:output "
                 "method=\"html\"/><xsl:template match=\"/\"><xsl:call-template "
                 "name=\"double\"><xsl:with-param name=\"s\" "
                 "select=\"'doubled'\"/></xsl:call-template></xsl:template><xsl:template "
                 "name=\"double\"><xsl:param name=\"s\"/><xsl:call-template "
                 "name=\"double\"><xsl:with-param name=\"s\" select=\"concat($s, "
                 "$s)\"/></xsl:call-template></xsl:template></xsl:stylesheet>");
    const std::vector<Site> sites = {
        kGood,
        {"Nested sections", "/cdata",
         Rss("Sections", "Sections story", Repeated("<![CDATA[", 260'000))},
        {"Comments", "/comments",
         "<html><body><div>" + Repeated("<!--", 250'000) + "</div></body></html>", "pieces.xslt",
         "body.xml", "html"},
        {"Flood", "/flood", Rss("Flood", "Flood story", Repeated("<i/>", 4'000'000))},
        {"Doubling", "/doubling", Rss("D", "Doubling story"), "doubling.xslt"},
        {"Crashing", "/crashing",
         Rss("C", "Crashing story",
             Repeated("<a>", 1'000'000) + "x" + Repeated("</a>", 1'000'000))},
        {"Deep", "/deep",
         Rss("Deep", "Deep story", Repeated("<b>", 260) + "deep words" + Repeated("</b>", 260))},
        kAlsoGood,
    };
    Select(sites);

    const DigestResult run = Digest();
    ASSERT_FALSE(run.killed) << "the cycle took more than a minute";
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string page = folder.read("site.html");
    ExpectGoodSitesAndEveryFrame(page, sites);
    const nimbrel::WorkerLimits limits;
    const std::string tooLong = nimbrel::TookTooLongReason(limits);
    const std::string tooMuch = nimbrel::NeededTooMuchReason(limits);
    EXPECT_NE(Notice(page, "Doubling").find(tooMuch), std::string::npos)
        << Notice(page, "Doubling");
    EXPECT_NE(Notice(page, "Crashing").find(nimbrel::kWorkerCrashedReason), std::string::npos)
        << Notice(page, "Crashing");
    // Which limit stops the flood first depends on the machine's speed.
    const std::string flood = Notice(page, "Flood");
    EXPECT_TRUE(flood.find(tooLong) != std::string::npos ||
                flood.find(tooMuch) != std::string::npos)
        << flood;
    // Deeper than the parser's own limit of 256 levels, and shown.
    EXPECT_EQ(Notice(page, "Deep"), "");
    EXPECT_NE(page.find("Deep story"), std::string::npos);
    EXPECT_NE(page.find("deep words"), std::string::npos);
    EXPECT_NE(run.err.find("Flood: not shown:"), std::string::npos) << run.err;
    // No process of the cycle grew past what a worker may have.
    EXPECT_LT(run.peakRssKib * 1024L, static_cast<long>(nimbrel::limits::kWorkerMemoryBytes));
}

// Whatever makes a block (a stylesheet that writes text out unescaped, the block the last
// digest showed), what could act in the browser never reaches site.html.
TEST_F(HostileSites, ActiveContentFromAnySourceNeverReachesTheDigest) {
    const std::string active =
        "<script>alert(1)</script><a href=\"javascript:alert(2)\">link</a>"
        "<img src=\"http://x.example/p.png\" onerror=\"alert(3)\"><iframe "
        "srcdoc=\"&lt;script&gt;alert(4)&lt;/script&gt;\"></iframe><meta http-equiv=\"refresh\" "
        "content=\"0;url=http://evil.example/\"><svg><a><set attributeName=\"href\" "
        "to=\"javascript:alert(5)\"/>svg text</a></svg><form action=\"http://evil.example/\">"
        "<input name=\"q\"></form><base href=\"http://evil.example/\">";
    std::string escaped;
    for (char c : active)
        escaped += c == '<' ? "&lt;" : c == '>' ? "&gt;" : c == '&' ? "&amp;" : std::string(1, c);
    folder.write("stylesheets/unescaped.xslt",
                 "<xsl:stylesheet version=\"1.0\" "
                 "xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\"><xsl:output "
                 "method=\"html\"/><xsl:template match=\"/\"><div class=\"raw\">Raw "
                 "story<xsl:value-of select=\"//description\" "
                 "disable-output-escaping=\"yes\"/></div></xsl:template></xsl:stylesheet>");
    const std::vector<Site> sites = {
        kGood,
        {"Unescaped", "/unescaped", Rss("U", "U story", escaped), "unescaped.xslt"},
        {"Poisoned", "/poisoned", ""}, // fails: its last digest's block is shown
        kAlsoGood,
    };
    Select(sites);
    folder.write("Sites/" + nimbrel::PageFileStem(Url(sites[2])) + ".dig",
                 "fetched: 2025-01-01T10:00:00Z\r\n\r\n<div class=\"kept\">Kept story" + active +
                     "</div>");

    const DigestResult run = Digest();
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string page = folder.read("site.html");
    ExpectGoodSitesAndEveryFrame(page, sites);
    EXPECT_NE(page.find("Raw story"), std::string::npos);
    EXPECT_NE(page.find("Kept story"), std::string::npos);
    EXPECT_NE(Notice(page, "Poisoned").find("HTTP 404"), std::string::npos);
    const std::string lower = Lower(page);
    for (const char* never : {"<script", "javascript:", "refresh", "srcdoc", "<iframe", "<form",
                              "<base", "<set ", "evil.example"})
        EXPECT_EQ(lower.find(never), std::string::npos) << never;
    EXPECT_FALSE(std::regex_search(lower, std::regex("<[^>]*\\son[a-z]+\\s*=")))
        << "an event handler attribute";
}

} // namespace
