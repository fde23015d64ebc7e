// nimbrel-digest running a whole cycle against a loopback server.
#include "digest/DigestProcess.h"
#include "pipeline/SiteFiles.h"
#include "support/HttpTestServer.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <memory>
#include <regex>
#include <thread>

namespace nimbrel::test {
namespace {

// The whole cycle on the test's folder, never opening a browser.
DigestResult RunCycle(const TempProgramFolder& folder, std::vector<std::string> options = {},
                      const std::function<void(pid_t)>& whileRunning = {}) {
    options.insert(options.begin(), {"--folder", folder.path(), "--no-open"});
    return RunDigest(options, whileRunning);
}

class DigestCycleTest : public ::testing::Test {
  protected:
    void SetUp() override {
        WriteCycleFiles(folder);
        folder.write("options.nmo", "Interval:900\r\nAutoView:False\r\n");
    }

    void Select(const std::vector<std::pair<std::string, std::string>>& sites) {
        SelectBoldSites(folder, sites);
    }

    std::string Bare(const std::string& path) const { return server.hostPort() + path; }

    TempProgramFolder folder;
    HttpTestServer server;
};

TEST_F(DigestCycleTest, FetchesEverySiteWithAProgressLineEachThenCuts) {
    server.route("/news", HttpRoute::Body(BoldPage("headline")));
    server.route("/gone", HttpRoute::Body("<html>gone</html>", 404));
    folder.write("Sites/" + PageFileName(Bare("/gone")), BoldPage("kept"));
    Select({{"News", Bare("/news")}, {"Gone", Bare("/gone")}});

    const DigestResult run = RunCycle(folder);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("[1/2] News: Complete"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("[2/2] Gone: Failed: HTTP 404"), std::string::npos) << run.err;
    // The cut joins a page into one line, so only its content is compared.
    EXPECT_EQ(folder.read("Sites/" + PageFileName(Bare("/gone"))).rfind(BoldPage("kept"), 0), 0u);
    EXPECT_NE(folder.read("Sites/" + PageFileName(Bare("/news"))).find("headline"),
              std::string::npos);
    // The cut ran on both pages: the one fetched now and the one kept from before.
    EXPECT_NE(folder.read("Work/" + PageFileName(Bare("/news"))).find("<b>headline</b>"),
              std::string::npos);
    EXPECT_NE(folder.read("Work/" + PageFileName(Bare("/gone"))).find("<b>kept</b>"),
              std::string::npos);
    EXPECT_EQ(server.requests().at(0).headers.at("user-agent"),
              std::string("Nimbrel/") + NIMBREL_VERSION + " (nimbrel-digest)");
    // The cycle ends with the digest page holding both sites' blocks.
    const std::string digest = folder.read("site.html");
    EXPECT_NE(digest.find("<div class=\"block\">headline</div>"), std::string::npos) << digest;
    EXPECT_NE(digest.find("<div class=\"block\">kept</div>"), std::string::npos) << digest;
}

TEST_F(DigestCycleTest, QuietDropsTheProgressLines) {
    server.route("/news", HttpRoute::Body("<html><b>headline</b></html>"));
    Select({{"News", Bare("/news")}});
    const DigestResult run = RunCycle(folder, {"--quiet"});
    EXPECT_EQ(run.err.find("News"), std::string::npos) << run.err;
    EXPECT_EQ(server.requests().size(), 1u);
}

TEST_F(DigestCycleTest, MissingSelectionEndsAtOnceWithItsMessage) {
    std::filesystem::remove_all(folder.file("Work"));
    const DigestResult run = RunCycle(folder);
    EXPECT_EQ(run.status, 3);
    EXPECT_NE(run.err.find("Setup.xml not found, the program will exit now. Please run the "
                           "setup wizard before downloading"),
              std::string::npos)
        << run.err;
    // Perhaps started in the wrong folder: nothing is left behind there.
    EXPECT_FALSE(folder.exists("nimbrel.lock"));
    EXPECT_FALSE(std::filesystem::exists(folder.file("Work")));
}

TEST_F(DigestCycleTest, UnwritableSitesFolderEndsTheCycleWithAnErrorNamingThePage) {
    server.route("/news", HttpRoute::Body("<html><b>headline</b></html>"));
    Select({{"News", Bare("/news")}});
    std::filesystem::remove_all(folder.file("Sites"));
    folder.write("Sites", "a file where the folder should be");
    const DigestResult run = RunCycle(folder, {"--quiet"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(
        run.err.find("File not found: " + folder.file("Sites/" + PageFileName(Bare("/news")))),
        std::string::npos)
        << run.err;
    EXPECT_TRUE(server.requests().empty());
}

// Files of an atomic replacement that never finished: "<target>.tmp-XXXXXX".
std::vector<std::string> UnfinishedFiles(const TempProgramFolder& folder) {
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder.path()))
        if (entry.path().filename().string().find(".tmp-") != std::string::npos)
            found.push_back(entry.path().string());
    return found;
}

// Waits until the condition on the folder's files holds; false after 30 s.
bool WaitForFiles(const std::function<bool()>& condition) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// Eight transfers in flight (two on each of four hosts) and one waiting for its host, none ever
// answered: a signal ends the run at once (left alone, it would wait out the stall time-out and
// report failures), every page from before whole, nothing cut or displayed.
TEST_F(DigestCycleTest, StopSignalDuringStalledTransfersEndsTheRunAtOnce) {
    std::vector<std::unique_ptr<HttpTestServer>> hosts;
    std::vector<std::pair<std::string, std::string>> sites;
    for (const char* address : {"127.0.0.1", "127.0.0.2", "127.0.0.3", "127.0.0.4"}) {
        hosts.push_back(std::make_unique<HttpTestServer>(address));
        hosts.back()->route("/silent", HttpRoute::Body("never").silent());
        for (const char* page : {"?1", "?2"})
            sites.push_back(
                {"S" + std::to_string(sites.size()), hosts.back()->hostPort() + "/silent" + page});
    }
    // Never begun: its host has two transfers in flight already.
    sites.push_back({"Waiting", hosts[0]->hostPort() + "/silent?3"});
    for (const auto& [name, url] : sites)
        folder.write("Sites/" + PageFileName(url), BoldPage("kept " + name));
    folder.write("site.html", "the digest from before");
    Select(sites);
    for (int signal : {SIGTERM, SIGINT}) {
        const DigestResult run = RunCycle(folder, {}, [&](pid_t pid) {
            // Two more requests on each host than the runs before made.
            const size_t each = signal == SIGTERM ? 2 : 4;
            for (const auto& host : hosts)
                EXPECT_TRUE(host->waitForRequests(each));
            ::kill(pid, signal);
        });
        EXPECT_EQ(run.status, 1) << run.err;
        const std::string name = signal == SIGTERM ? "SIGTERM" : "SIGINT";
        EXPECT_NE(run.err.find("nimbrel-digest: stopped by " + name), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("[1/9] S0: Stopped"), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find("Waiting"), std::string::npos) << run.err;
        for (const auto& [site, url] : sites)
            EXPECT_EQ(folder.read("Sites/" + PageFileName(url)), BoldPage("kept " + site));
        EXPECT_TRUE(UnfinishedFiles(folder).empty());
        EXPECT_FALSE(folder.exists("Work/" + PageFileName(sites[0].second)));
        EXPECT_EQ(folder.read("site.html"), "the digest from before");
    }
    EXPECT_TRUE(server.requests().empty());
}

// The display step does not look at the request; the run is ended for it, and the digest page
// it was writing stays as it was.
TEST_F(DigestCycleTest, StopSignalDuringTheDisplayEndsTheRun) {
    std::string page = BoldPage("first");
    for (int i = 0; i < 3000; ++i)
        page += "<b>item</b>";
    server.route("/long", HttpRoute::Body(page));
    // Counts every item once per item: far longer than any test waits.
    folder.write("stylesheets/s.xsl",
                 "<xsl:stylesheet version=\"1.0\" "
                 "xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\"><xsl:template match=\"/\">"
                 "<div><xsl:for-each select=\"//b\"><xsl:for-each select=\"//b\">"
                 "<xsl:if test=\"count(//b) = 0\">none</xsl:if></xsl:for-each></xsl:for-each>"
                 "</div></xsl:template></xsl:stylesheet>");
    folder.write("site.html", "the digest from before");
    Select({{"Long", Bare("/long")}});
    const DigestResult run = RunCycle(folder, {"--quiet"}, [&](pid_t pid) {
        // In the display step: the site is cut and the page's temporary file is there.
        EXPECT_TRUE(WaitForFiles([&] {
            if (!folder.exists("Work/" + PageFileName(Bare("/long"))))
                return false;
            for (const std::string& file : UnfinishedFiles(folder))
                if (file.find("/site.html.tmp-") != std::string::npos)
                    return true;
            return false;
        }));
        ::kill(pid, SIGTERM);
    });
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("nimbrel-digest: stopped by SIGTERM"), std::string::npos) << run.err;
    EXPECT_EQ(folder.read("site.html"), "the digest from before");
    EXPECT_TRUE(UnfinishedFiles(folder).empty());
}

// The digest without what says when it was made and how its last download went.
std::string WithoutTimeAndStatus(const std::string& page) {
    static const std::regex summary("<p class=\"digest-summary\".*?</p>");
    static const std::regex status(" data-status=\"[a-z-]*\"");
    return std::regex_replace(std::regex_replace(page, summary, ""), status, "");
}

// Nothing changed at the server: the second run transfers no page body and the digest shows
// the same blocks.
TEST_F(DigestCycleTest, SecondRunAgainstNotModifiedTransfersNoBody) {
    server.route("/news", HttpRoute::Body(BoldPage("headline")).withETag("\"n1\""));
    Select({{"News", Bare("/news")}});
    const DigestResult first = RunCycle(folder);
    ASSERT_EQ(first.status, 0) << first.err;
    const std::string digest = folder.read("site.html");
    const DigestResult second = RunCycle(folder);
    EXPECT_EQ(second.status, 0) << second.err;
    EXPECT_NE(second.err.find("[1/1] News: Not modified"), std::string::npos) << second.err;
    ASSERT_EQ(server.requests().size(), 2u);
    EXPECT_EQ(server.requests()[1].status, 304);
    EXPECT_EQ(server.requests()[1].bodyBytes, 0u);
    const std::string again = folder.read("site.html");
    EXPECT_NE(again.find("data-status=\"not-modified\""), std::string::npos) << again;
    EXPECT_EQ(WithoutTimeAndStatus(again), WithoutTimeAndStatus(digest));
}

} // namespace
} // namespace nimbrel::test
