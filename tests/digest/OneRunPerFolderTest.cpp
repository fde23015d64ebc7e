// One run at a time on a program folder, and nothing left half done: real nimbrel-digest
// processes started together, a holder killed, and imports killed at random moments and run
// again.
#include "digest/DigestProcess.h"
#include "pipeline/SiteFiles.h"
#include "platform/Convert.h"
#include "platform/FolderLock.h"
#include "support/HttpTestServer.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <optional>
#include <random>
#include <regex>
#include <thread>

namespace nimbrel::test {
namespace {

using namespace std::chrono_literals;

// Waits for the event itself, with a generous bound so a broken build fails instead of hanging.
bool WaitFor(const std::function<bool()>& happened, std::chrono::seconds bound = 30s) {
    const auto end = std::chrono::steady_clock::now() + bound;
    while (!happened()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

std::string Holder(const TempProgramFolder& folder) {
    return folder.exists("nimbrel.lock") ? Trim(folder.read("nimbrel.lock")) : "";
}

class OneRunPerFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        WriteCycleFiles(folder);
        folder.write("options.nmo", "Interval:900\r\nAutoView:False\r\n");
    }
    std::vector<std::string> Cycle(std::vector<std::string> options = {}) const {
        options.insert(options.begin(), {"--folder", folder.path(), "--no-open", "--quiet"});
        return options;
    }
    TempProgramFolder folder;
    HttpTestServer server;
};

// The second run waits for the first instead of cutting the same files beside it; both digests
// come out whole. The folder lacks Sites, Work and Temp at first: the cycle makes them.
TEST_F(OneRunPerFolder, ASecondRunWaitsForTheFirstAndBothDigestsAreWhole) {
    for (const char* made : {"Sites", "Work", "Temp"})
        std::filesystem::remove_all(folder.file(made));
    std::string words;
    for (int i = 0; i < 400; ++i)
        words += "<b>word" + std::to_string(i) + "</b>\r\n";
    // Slow enough that a second run not held back would ask for it while the first still reads.
    server.route("/page", HttpRoute::Body("<html>" + words + "</html>").slow(100ms, 1000));
    SelectBoldSites(folder, {{"Page", server.hostPort() + "/page"}});

    DigestResult second;
    const DigestResult first = RunDigest(Cycle(), [&](pid_t firstPid) {
        ASSERT_TRUE(WaitFor([&] { return Holder(folder) == std::to_string(firstPid); }));
        second = RunDigest(Cycle({"--wait", "60"}));
    });
    EXPECT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(server.requests().size(), 2u);
    EXPECT_EQ(server.mostRequestsAtOnce(), 1) << "the second run fetched beside the first";
    const std::string cut = folder.read("Work/" + PageFileName(server.hostPort() + "/page"));
    EXPECT_EQ(cut.size(), words.size()) << "the cut file is whole";
    const std::string page = folder.read("site.html");
    EXPECT_NE(page.find("<div class=\"block\">word0</div>"), std::string::npos) << page;
    EXPECT_NE(page.find("</html>"), std::string::npos);
}

// A run that may not wait says who holds the folder; a holder killed outright frees it at once.
TEST_F(OneRunPerFolder, ABusyFolderNamesItsHolderAndAKilledHolderFreesIt) {
    server.route("/stalled", HttpRoute::Body(BoldPage("never whole")).stallAfter(10));
    SelectBoldSites(folder, {{"Stalled", server.hostPort() + "/stalled"}});
    const DigestResult killed = RunDigest(Cycle(), [&](pid_t holder) {
        ASSERT_TRUE(WaitFor([&] { return server.requests().size() == 1; }));
        const DigestResult refused = RunDigest(Cycle({"--display-only", "--wait", "0"}));
        EXPECT_EQ(refused.status, 1);
        EXPECT_NE(refused.err.find("another Nimbrel run is using this folder (process " +
                                   std::to_string(holder) + ")"),
                  std::string::npos)
            << refused.err;
        ::kill(holder, SIGKILL);
    });
    EXPECT_EQ(killed.status, -1);
    const DigestResult after = RunDigest(Cycle({"--display-only", "--wait", "0"}));
    EXPECT_EQ(after.status, 0) << after.err;

    // This process holds it now, as the desktop program would while it cycles.
    std::optional<FolderLock> ours = FolderLock::Take();
    const DigestResult busy = RunDigest(Cycle({"--rip-only", "--wait", "0"}));
    EXPECT_EQ(busy.status, 1);
    EXPECT_NE(busy.err.find("(process " + std::to_string(::getpid()) + ")"), std::string::npos)
        << busy.err;
    ours.reset();
    EXPECT_EQ(RunDigest(Cycle({"--rip-only", "--wait", "0"})).status, 0);
}

std::string ImportFile(size_t feeds) {
    std::string opml = "<opml version=\"2.0\"><body><outline text=\"Imported\">";
    for (size_t i = 0; i < feeds; ++i)
        opml += "<outline text=\"Feed " + std::to_string(i) + "\" xmlUrl=\"http://feeds" +
                std::to_string(i % 7) + ".example/" + std::to_string(i) + "\"/>";
    return opml + "</outline></body></opml>";
}

// Library and selection agree and hold every feed of the file, once.
void ExpectWholeImport(const TempProgramFolder& folder, size_t feeds) {
    const std::string library = folder.read("Categories.xml");
    const std::string nml = folder.read("setup.nml");
    const std::string xml = folder.read("setup.xml");
    size_t sites = 0;
    for (size_t at = xml.find("<td><site "); at != std::string::npos;
         at = xml.find("<td><site ", at + 1))
        ++sites;
    EXPECT_EQ(sites, feeds + 1) << "one cell per entry, none an error";
    EXPECT_EQ(xml.find("<Error/>"), std::string::npos);
    for (size_t i = 0; i < feeds; ++i) {
        const std::string url =
            "URL=\"http://feeds" + std::to_string(i % 7) + ".example/" + std::to_string(i) + "\"";
        const size_t inLibrary = library.find(url);
        ASSERT_NE(inLibrary, std::string::npos) << url;
        EXPECT_EQ(library.find(url, inLibrary + 1), std::string::npos) << url << " twice";
        EXPECT_NE(nml.find("Imported->Feed " + std::to_string(i) + "\r\n"), std::string::npos);
        EXPECT_NE(xml.find(url), std::string::npos);
    }
    EXPECT_FALSE(folder.exists("nimbrel.journal"));
}

// Killed at any moment, an import leaves the old files or the new ones; the same import run
// again then finishes it.
TEST(ImportKilled, RunAgainItLeavesLibraryAndSelectionWholeAndInAgreement) {
    constexpr size_t kFeeds = 1500;
    TempProgramFolder base;
    const std::string library = "<Library>\n  <Category Name=\"Mine\">\n    <site Name=\"Own\" "
                                "URL=\"http://own.example/\" Type=\"rss\" StyleSheet=\"feed.xslt\" "
                                "RipFile=\"feed.xml\"/>\n  </Category>\n</Library>\n";
    const std::string opmlPath = base.file("feeds.opml");
    base.write("feeds.opml", ImportFile(kFeeds));
    auto importInto = [&](const TempProgramFolder& folder,
                          const std::function<void(pid_t)>& meanwhile) {
        return RunDigest({"--folder", folder.path(), "--import-opml", opmlPath}, meanwhile);
    };
    auto freshFolder = [&](TempProgramFolder& folder) {
        folder.write("Categories.xml", library);
        folder.write("setup.nml", "Mine->Own\r\n\r\n");
    };
    // How long a whole import takes here sets the range of the moments it is killed at.
    const auto start = std::chrono::steady_clock::now();
    {
        TempProgramFolder timing;
        freshFolder(timing);
        ASSERT_EQ(importInto(timing, {}).status, 0);
    }
    const auto whole = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - start);
    std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<long> moment(0, whole.count());
    for (int round = 0; round < 12; ++round) {
        SCOPED_TRACE(round);
        TempProgramFolder folder;
        freshFolder(folder);
        const auto killAfter = std::chrono::microseconds(moment(random));
        importInto(folder, [&](pid_t pid) {
            std::this_thread::sleep_for(killAfter); // the moment is the test's input
            ::kill(pid, SIGKILL);
        });
        const DigestResult again = importInto(folder, {});
        ASSERT_EQ(again.status, 0) << again.err;
        ExpectWholeImport(folder, kFeeds);
    }
}

} // namespace
} // namespace nimbrel::test
