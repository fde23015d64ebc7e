// Trying one library site: each stage's report, and where a rule author is told why nothing
// came out. The site is served by a real HTTP server on 127.0.0.1.
#include "app/SiteTrial.h"

#include "pipeline/SiteFiles.h"
#include "platform/Files.h"
#include "support/HttpTestServer.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace nimbrel;
using nimbrel::test::HttpRoute;
using nimbrel::test::HttpTestServer;
using nimbrel::test::RepoFixture;
using nimbrel::test::TempProgramFolder;

namespace {

const std::string kData = std::string(NIMBREL_SOURCE_DIR) + "/data/";

// A program folder whose library holds one feed, served at /feed, and one page whose rule
// looks for a marker the page does not hold.
struct TrialFolder {
    explicit TrialFolder(const HttpTestServer& server) {
        for (const char* file : {"Rip/feed.xml", "stylesheets/feed.xslt", "setup.xslt", "fix.dat"})
            folder.write(file, ReadFileBytes(kData + file));
        folder.write("Rip/missing.xml",
                     "<Rules><Command Name=\"append\" Specific=\"0\">"
                     "<StartTag IncludeTags=\"1\" ReverseLTags=\"0\" SkipSimilar=\"0\">"
                     "&lt;article</StartTag>"
                     "<EndTag IncludeTags=\"1\" ReverseLTags=\"0\" SkipSimilar=\"0\">"
                     "&lt;/article&gt;</EndTag></Command></Rules>");
        folder.write("Categories.xml",
                     "<Library><Category Name=\"News\">"
                     "<site Name=\"Courier\" URL=\"" +
                         server.url("/feed") +
                         "\" Type=\"rss\" StyleSheet=\"feed.xslt\" RipFile=\"feed.xml\"/>"
                         "<site Name=\"Renamed\" URL=\"" +
                         server.url("/page") +
                         "\" Type=\"html\" StyleSheet=\"feed.xslt\" RipFile=\"missing.xml\"/>"
                         "<site Name=\"Gone\" URL=\"" +
                         server.url("/gone") +
                         "\" Type=\"rss\" StyleSheet=\"feed.xslt\" RipFile=\"feed.xml\"/>"
                         "<site Name=\"Astray\" URL=\"" +
                         server.url("/feed") +
                         "\" Type=\"rss\" StyleSheet=\"../setup.xslt\" "
                         "RipFile=\"../../etc/passwd\"/>"
                         "</Category></Library>");
        folder.write("setup.xml", "<Layout><table><tr></tr></table></Layout>");
    }
    TempProgramFolder folder;
};

TEST(SiteTrial, ReportsEveryStageAndMakesTheBlock) {
    HttpTestServer server;
    const std::string feed = ReadFileBytes(RepoFixture("sites/guardian_world.xml"));
    server.route("/feed", HttpRoute::Body(feed));
    TrialFolder trial(server);
    std::ostringstream out;

    EXPECT_EQ(RunSiteTrial("News->Courier", out), 0) << out.str();

    const std::string report = out.str();
    EXPECT_NE(report.find("1. fetch      " + std::to_string(feed.size()) + " bytes (HTTP 200)"),
              std::string::npos)
        << report;
    // the whole rss element
    EXPECT_NE(report.find("2. cut        1 piece,"), std::string::npos) << report;
    EXPECT_NE(report.find("3. clean"), std::string::npos);
    EXPECT_NE(report.find("well-formed"), std::string::npos) << report;
    EXPECT_NE(report.find("<div class=\"site\">"), std::string::npos);
    EXPECT_NE(report.find("https://www.theguardian.com/world/2025/dec/01/cop30-forest-finance"),
              std::string::npos);
    const std::string name = PageFileName(server.url("/feed"));
    EXPECT_TRUE(trial.folder.exists("Sites/" + name));
    EXPECT_TRUE(trial.folder.exists("Work/" + name));
    EXPECT_FALSE(trial.folder.exists("site.html")) << "the digest is left alone";
    EXPECT_FALSE(trial.folder.exists("update.dat"));
    EXPECT_EQ(trial.folder.read("setup.xml"), "<Layout><table><tr></tr></table></Layout>");
}

TEST(SiteTrial, ARuleThatCutsNothingShowsWhichMarkerIsMissing) {
    HttpTestServer server;
    server.route("/page", HttpRoute::Body("<html><body><main><div class=\"post\">Hello</div>"
                                          "</main>" +
                                          std::string(200, ' ') + "</body></html>"));
    TrialFolder trial(server);
    std::ostringstream out;

    EXPECT_EQ(RunSiteTrial("News->Renamed", out), 1);

    const std::string report = out.str();
    EXPECT_NE(report.find("2. cut        0 pieces"), std::string::npos) << report;
    EXPECT_NE(report.find("StartTag \"<article\" in page 0x"), std::string::npos) << report;
    EXPECT_NE(report.find("the rule cut nothing"), std::string::npos) << report;
    EXPECT_NE(report.find("Nothing to show"), std::string::npos) << "the stylesheet still ran";
}

TEST(SiteTrial, AFailedFetchStopsWithTheReasonAndKeepsTheOldPage) {
    HttpTestServer server;
    server.route("/gone", HttpRoute::Body("not here", 404));
    TrialFolder trial(server);
    const std::string name = PageFileName(server.url("/gone"));
    trial.folder.write("Sites/" + name, "the last good page");
    std::ostringstream out;

    EXPECT_EQ(RunSiteTrial("News->Gone", out), 1);

    EXPECT_NE(out.str().find("1. fetch      failed: HTTP 404"), std::string::npos) << out.str();
    EXPECT_EQ(out.str().find("2. cut"), std::string::npos);
    EXPECT_EQ(trial.folder.read("Sites/" + name), "the last good page");
}

TEST(SiteTrial, NamesLeavingTheirFoldersAreRefusedAsInTheCycle) {
    HttpTestServer server;
    TrialFolder trial(server);
    std::ostringstream out;
    EXPECT_EQ(RunSiteTrial("News->Astray", out), 1);
    EXPECT_NE(out.str().find("\"../../etc/passwd\" lies outside the folder Rip"), std::string::npos)
        << out.str();
    EXPECT_NE(out.str().find("\"../setup.xslt\" lies outside the folder stylesheets"),
              std::string::npos);
    EXPECT_TRUE(server.requests().empty());
}

TEST(SiteTrial, AnEntryOutsideTheLibraryIsNamed) {
    HttpTestServer server;
    TrialFolder trial(server);
    for (const char* entry : {"News->Nobody", "Sport->Courier", "Courier"}) {
        SCOPED_TRACE(entry);
        std::ostringstream out;
        EXPECT_EQ(RunSiteTrial(entry, out), 2);
        EXPECT_NE(out.str().find(entry), std::string::npos) << out.str();
        EXPECT_TRUE(server.requests().empty());
    }
}

} // namespace
