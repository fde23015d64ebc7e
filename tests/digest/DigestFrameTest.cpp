// The digest tells the truth about every site: whole cycles of nimbrel-digest on the shipped
// program folder against feeds and pages served from 127.0.0.1. Each block is framed with its
// site's name, status and time; a failure is shown where the block is, above the last good block
// when there is one; items new since the last digest are marked; a summary line sums it up.
#include "digest/DigestProcess.h"
#include "pipeline/SiteFiles.h"
#include "platform/LocalTime.h"
#include "support/HttpTestServer.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace nimbrel::test {
namespace {

std::string Feed(const std::vector<std::string>& items, const std::string& description = "") {
    std::string xml = "<rss version=\"2.0\"><channel><title>Feed</title>"
                      "<link>http://feed.example/</link>";
    for (const std::string& item : items)
        xml += "<item><title>" + item + "</title><link>http://feed.example/" + item +
               "</link><description>" + description + "</description></item>";
    return xml + "</channel></rss>";
}

size_t Count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

// The whole frame of the named site, up to the next frame or the end of the page.
std::string Frame(const std::string& page, const std::string& name) {
    const std::string top = FrameTop(page, name);
    if (top.empty())
        return {};
    const size_t start = page.find(top);
    const size_t next = page.find(" data-site=\"", start + top.size());
    return page.substr(start, next == std::string::npos ? next : page.rfind("<div", next) - start);
}

struct Site {
    std::string name;
    std::string path;
    std::string type = "rss";
    std::string styleSheet = "feed.xslt";
    std::string ripFile = "feed.xml";
};

class DigestFrame : public ::testing::Test {
  protected:
    void SetUp() override { CopyShippedData(folder); }

    void Select(const std::vector<Site>& sites) {
        std::string xml = "<Layout>";
        for (const Site& site : sites)
            xml += "<site Name=\"" + site.name + "\" URL=\"" + server.hostPort() + site.path +
                   "\" Type=\"" + site.type + "\" StyleSheet=\"" + site.styleSheet +
                   "\" RipFile=\"" + site.ripFile + "\"/>";
        folder.write("setup.xml", xml + "</Layout>");
    }

    // One run of nimbrel-digest (a whole cycle unless told otherwise); the digest it wrote.
    std::string Digest(std::vector<std::string> options = {}) {
        options.insert(options.begin(), {"--folder", folder.path(), "--no-open", "--quiet"});
        const DigestResult run = RunDigest(options);
        EXPECT_EQ(run.status, 0) << run.err;
        return folder.read("site.html");
    }

    TempProgramFolder folder;
    HttpTestServer server;
};

TEST_F(DigestFrame, EachSiteShowsItsNameStatusAndWhyItFailed) {
    server.route("/good", HttpRoute::Body(Feed({"Fresh"})));
    server.route("/broken", HttpRoute::Body("oops", 500));
    server.route("/busy", HttpRoute::Body("later", 503).withHeader("Retry-After", "120"));
    Select({{"Good", "/good"}, {"Broken", "/broken"}, {"Busy", "/busy"}, {"Gone", "/gone"}});
    const std::string page = Digest();

    const struct {
        const char* name;
        const char* status;
        const char* note; // nullptr: no note
    } expected[] = {
        {"Good", "ok", nullptr},
        {"Broken", "failed", ": HTTP 500."},
        {"Busy", "deferred", ": HTTP 503. Next try after "},
        {"Gone", "failed", ": HTTP 404."},
    };
    for (const auto& site : expected) {
        SCOPED_TRACE(site.name);
        const std::string frame = Frame(page, site.name);
        ASSERT_FALSE(frame.empty()) << page;
        EXPECT_NE(frame.find(std::string("data-status=\"") + site.status + "\""), std::string::npos)
            << frame;
        EXPECT_NE(frame.find("href=\"http://" + server.hostPort() + "/\">" + site.name + "</a>"),
                  std::string::npos)
            << frame;
        if (site.note) {
            EXPECT_NE(frame.find("Could not update at "), std::string::npos) << frame;
            EXPECT_NE(frame.find(site.note), std::string::npos) << frame;
            // No page ever came: the name and the reason, not an empty card.
            EXPECT_NE(frame.find("data-fetched=\"\""), std::string::npos) << frame;
            EXPECT_EQ(frame.find("Nothing to show"), std::string::npos) << frame;
        } else {
            EXPECT_EQ(frame.find("site-frame-note"), std::string::npos) << frame;
            EXPECT_NE(frame.find("updated <time datetime=\"20"), std::string::npos) << frame;
            EXPECT_NE(frame.find("Fresh"), std::string::npos) << frame;
        }
    }
    EXPECT_NE(page.find("data-sites=\"4\" data-failed=\"2\" data-stopped=\"0\" "
                        "data-broken=\"0\" data-new=\"0\""),
              std::string::npos)
        << page;
    EXPECT_NE(page.find("<a class=\"digest-failed\" href=\"#site-2\">2 failed</a>"),
              std::string::npos)
        << page;
    EXPECT_NE(page.find("id=\"site-2\" data-site=\"Broken\""), std::string::npos);
}

// Cycle after cycle: what is new is marked once; a site that fails later keeps its last good
// block under a note; a site whose block cannot be made any more shows the last good one.
TEST_F(DigestFrame, NewItemsAreMarkedOnceAndFailuresKeepTheLastGoodBlock) {
    server.route("/news", HttpRoute::Body(Feed({"One", "Two"})));
    Select({{"News", "/news"}});
    std::string page = Digest();
    EXPECT_EQ(Count(page, " new\""), 0u) << "the first digest of a site marks nothing";
    EXPECT_NE(page.find("data-new=\"0\""), std::string::npos);

    server.route("/news", HttpRoute::Body(Feed({"Three", "One", "Two"})));
    page = Digest();
    ASSERT_EQ(Count(page, "class=\"item new\""), 1u) << page;
    EXPECT_LT(page.find("class=\"item new\""), page.find("Three"));
    EXPECT_GT(page.find("One"), page.find("Three"));
    EXPECT_NE(page.find("data-new=\"1\""), std::string::npos);

    page = Digest();
    EXPECT_EQ(Count(page, "class=\"item new\""), 0u) << "already shown in the last digest";

    server.route("/news", HttpRoute::Body("down", 500));
    page = Digest();
    std::string frame = Frame(page, "News");
    EXPECT_NE(frame.find("data-status=\"failed\""), std::string::npos) << frame;
    EXPECT_NE(frame.find(": HTTP 500. Showing the page from "), std::string::npos) << frame;
    EXPECT_NE(frame.find("Three"), std::string::npos) << frame;

    folder.write("stylesheets/feed.xslt", "<xsl:stylesheet");
    page = Digest({"--display-only"});
    frame = Frame(page, "News");
    EXPECT_NE(frame.find("data-status=\"failed\" data-fetched=\"20"), std::string::npos) << frame;
    EXPECT_NE(frame.find("The stylesheet feed.xslt does not load"), std::string::npos) << frame;
    EXPECT_NE(frame.find(". Showing the page from "), std::string::npos) << frame;
    EXPECT_NE(frame.find("Three"), std::string::npos) << frame;
    EXPECT_EQ(Count(page, "class=\"item new\""), 0u);
}

// A URL too long for a file name gets a hashed page name with room for every file of its site,
// the record of what its digest showed included: its new item is marked as anyone's.
TEST_F(DigestFrame, ASiteOfAThreeHundredCharacterUrlMarksItsOneNewItem) {
    const std::string path = "/" + std::string(300 - server.hostPort().size() - 1, 'l');
    ASSERT_EQ((server.hostPort() + path).size(), 300u);
    server.route(path, HttpRoute::Body(Feed({"One", "Two"})));
    Select({{"Long", path}});
    Digest();
    server.route(path, HttpRoute::Body(Feed({"Three", "One", "Two"})));
    const std::string page = Digest();
    EXPECT_EQ(Count(page, "class=\"item new\""), 1u) << page;
    EXPECT_TRUE(folder.exists("Sites/" + PageFileStem(server.hostPort() + path) + ".dig"));
}

TEST_F(DigestFrame, SiteNeverDownloadedSaysSoInsteadOfAnEmptyCard) {
    Select({{"Waiting", "/waiting"}});
    const std::string page = Digest({"--display-only"});
    const std::string frame = Frame(page, "Waiting");
    EXPECT_NE(frame.find("data-status=\"never\" data-fetched=\"\""), std::string::npos) << frame;
    EXPECT_NE(frame.find("Not downloaded yet."), std::string::npos) << frame;
    EXPECT_EQ(frame.find("Nothing to show"), std::string::npos) << frame;
}

// Fallbacks feed readers share: an item without a title of its own shows its dc:title, one
// without a description its dc:description; RSS 0.90 in its own namespace shows; a feed that
// names no address of its own gets a heading without a link.
TEST_F(DigestFrame, FeedsFallBackOnDublinCoreAndRss090) {
    server.route(
        "/dc", HttpRoute::Body("<rss version=\"2.0\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\">"
                               "<channel><title>Dublin</title>"
                               "<item><dc:title>Dublin title</dc:title><description>Own text"
                               "</description><link>http://dc.example/1</link></item>"
                               "<item><title>Own title</title><dc:title>Not this</dc:title>"
                               "<dc:description>Dublin text</dc:description>"
                               "<link>http://dc.example/2</link></item></channel></rss>"));
    server.route("/ninety", HttpRoute::Body(
                                "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\""
                                " xmlns=\"http://my.netscape.com/rdf/simple/0.9/\"><channel>"
                                "<title>Ninety</title><link>http://ninety.example/</link>"
                                "</channel><item><title>First of ninety</title>"
                                "<link>http://ninety.example/1</link></item></rdf:RDF>"));
    server.route("/bare", HttpRoute::Body("<rss version=\"2.0\"><channel><title>Bare</title>"
                                          "<item><title>Only</title><link>/only</link></item>"
                                          "</channel></rss>" +
                                          std::string(100, ' '))); // the cutter's least page
    Select({{"DC", "/dc"}, {"Ninety", "/ninety"}, {"Bare", "/bare"}});
    const std::string page = Digest();
    const struct {
        const char* site;
        std::vector<std::string> shown;
        std::vector<std::string> absent;
    } cases[] = {
        {"DC",
         {">Dublin title</span>", ">Own text</p>", ">Own title</span>", ">Dublin text</p>"},
         {"Not this"}},
        {"Ninety",
         {"<a href=\"http://ninety.example/\">Ninety</a>", ">First of ninety</span>"},
         {"Nothing to show"}},
        {"Bare", {"<h2 class=\"site-name\">Bare</h2>", ">Only</span>"}, {"href=\"\""}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.site);
        const std::string frame = Frame(page, c.site);
        for (const std::string& part : c.shown)
            EXPECT_NE(frame.find(part), std::string::npos) << part << "\n" << frame;
        for (const std::string& part : c.absent)
            EXPECT_EQ(frame.find(part), std::string::npos) << part << "\n" << frame;
    }
}

// Pages cut by --rip-only and shown by --display-only: one with no record of its download
// shows as any page that came; one whose download was stopped keeps its page under a note and
// is counted in the summary.
TEST_F(DigestFrame, PagesWithoutARecordShowOkAndStoppedSitesAreCounted) {
    Select({{"Placed", "/placed"}, {"Halted", "/halted"}});
    for (const char* path : {"/placed", "/halted"})
        folder.write("Sites/" + PageFileName(server.hostPort() + path),
                     Feed({std::string("Story") + (path + 1)}));
    SiteRecord stopped;
    stopped.status = FetchStatus::Stopped;
    stopped.attempted = ParseUtc("2025-01-02T10:05:00Z");
    stopped.fetched = ParseUtc("2025-01-02T09:50:00Z");
    WriteSiteRecord(server.hostPort() + "/halted", stopped);
    const DigestResult cut = RunDigest({"--folder", folder.path(), "--rip-only", "--quiet"});
    ASSERT_EQ(cut.status, 0) << cut.err;
    const std::string page = Digest({"--display-only"});
    const std::string placed = Frame(page, "Placed");
    EXPECT_NE(placed.find("data-status=\"ok\""), std::string::npos) << placed;
    EXPECT_EQ(placed.find("site-frame-note"), std::string::npos) << placed;
    EXPECT_NE(placed.find("Storyplaced"), std::string::npos) << placed;
    const std::string halted = Frame(page, "Halted");
    EXPECT_NE(halted.find("data-status=\"stopped\""), std::string::npos) << halted;
    EXPECT_NE(halted.find(": stopped. Showing the page from "), std::string::npos) << halted;
    EXPECT_NE(page.find("data-failed=\"0\" data-stopped=\"1\""), std::string::npos) << page;
    EXPECT_NE(page.find("<span class=\"digest-stopped\">1 stopped</span>"), std::string::npos);
}

// Text runs as the page wrote it: inline elements gain no white space in cleaning or in a feed
// summary, and a paragraph break becomes one blank.
TEST_F(DigestFrame, TextKeepsItsSpacingThroughCleaningAndSummaries) {
    server.route("/wiki/Main",
                 HttpRoute::Body("<html><head><meta charset=\"utf-8\"><link rel=\"canonical\" "
                                 "href=\"https://ja.wikipedia.org/wiki/Main\"></head><body><ul>"
                                 "<li><b><a href=\"/wiki/A\">篠島</a></b>は、<a href=\"/wiki/B\">"
                                 "愛知県</a><a href=\"/wiki/C\">知多郡</a>に属する離島。</li>"
                                 "</ul></body></html>"));
    server.route("/feed", HttpRoute::Body(
                              Feed({"Story"}, "&lt;p&gt;知多&lt;b&gt;半島&lt;/b&gt;の先端&lt;/p&gt;"
                                              "&lt;p&gt;a traditional Republican&lt;/p&gt;&lt;p&gt;"
                                              "Those expecting&lt;br/&gt;more&lt;/p&gt;")));
    Select(
        {{"Wiki", "/wiki/Main", "html", "wikipedia.xslt", "wikipedia-ja.xml"}, {"Feed", "/feed"}});
    const std::string page = Digest();
    EXPECT_NE(page.find("篠島は、愛知県知多郡に属する離島。"), std::string::npos) << page;
    EXPECT_NE(page.find("知多半島の先端 a traditional Republican Those expecting more"),
              std::string::npos)
        << page;
}

// A stylesheet that writes an empty element with a relative link: once the link is resolved the
// block is still HTML, so the element does not swallow what follows it.
TEST_F(DigestFrame, EmptyElementWithAResolvedLinkStaysHtml) {
    folder.write("stylesheets/empty.xsl",
                 "<xsl:stylesheet version=\"1.0\" "
                 "xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\"><xsl:output method=\"html\" "
                 "indent=\"no\"/>"
                 "<xsl:template match=\"/\"><ul><li class=\"item\"><a href=\"/story\"></a>"
                 "<span class=\"item-title\"></span>After</li></ul></xsl:template>"
                 "</xsl:stylesheet>");
    server.route("/page", HttpRoute::Body(Feed({"x"})));
    Select({{"Empty", "/page", "rss", "empty.xsl"}});
    const std::string page = Digest();
    EXPECT_NE(page.find("<li class=\"item\"><a href=\"http://" + server.hostPort() +
                        "/story\"></a><span class=\"item-title\"></span>After</li>"),
              std::string::npos)
        << page;
    EXPECT_EQ(page.find("\"/>"), std::string::npos) << page;
}

} // namespace
} // namespace nimbrel::test
