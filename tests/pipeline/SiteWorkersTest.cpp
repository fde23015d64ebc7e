// The worker processes that clean and transform the sites: a site that overruns its worker's time
// or memory fails with that reason, framed with the block its last digest showed, and the next
// site gets a new worker; the worker cannot reach the network, start programs or write files.
#include "pipeline/SiteWorkers.h"
#include "pipeline/SiteFiles.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <map>
#include <mutex>
#include <sys/wait.h>

using namespace nimbrel;
using namespace std::chrono_literals;
using nimbrel::test::Repeated;
using nimbrel::test::RepoFixture;
using nimbrel::test::TempProgramFolder;

namespace {

constexpr std::time_t kMadeAt = 1'800'000'000;

const char* const kSlowSheet =
    "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
    "<xsl:template match=\"/\"><xsl:for-each select=\"//*\"><xsl:for-each select=\"//*\">"
    "<xsl:for-each select=\"//*\"><xsl:if test=\"count(//*) &lt; 0\">x</xsl:if></xsl:for-each>"
    "</xsl:for-each></xsl:for-each></xsl:template></xsl:stylesheet>";

const char* const kDoublingSheet =
    "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
    "<xsl:template match=\"/\"><xsl:call-template name=\"double\"><xsl:with-param name=\"s\" "
    "select=\"'doubled'\"/></xsl:call-template></xsl:template><xsl:template name=\"double\">"
    "<xsl:param name=\"s\"/><xsl:call-template name=\"double\"><xsl:with-param name=\"s\" "
    "select=\"concat($s, $s)\"/></xsl:call-template></xsl:template></xsl:stylesheet>";

std::string Feed(const std::string& title, size_t items) {
    std::string feed = "<rss><channel><title>" + title + "</title>";
    for (size_t i = 0; i < items; ++i)
        feed += "<item><title>" + title + " story " + std::to_string(i) + "</title></item>";
    return feed + "</channel></rss>";
}

class SiteWorkersTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::copy_file(RepoFixture("display/stylesheets/feed.xsl"),
                                   folder.file("stylesheets/feed.xsl"));
        folder.write("stylesheets/slow.xsl", kSlowSheet);
        folder.write("stylesheets/doubling.xsl", kDoublingSheet);
    }
    void TearDown() override { SetWorkerProgramForTesting(NIMBREL_WORKER_EXE); }

    // A site whose cut text is there, and whose last digest showed a block holding a script.
    DisplaySite Site(const std::string& name, const std::string& styleSheet, size_t position,
                     size_t items = 30) {
        const DisplaySite site{name, name + ".example/feed", styleSheet, "xml", position};
        folder.write("Work/" + PageFileName(site.url), Feed(name, items));
        WriteLastShown(site.url,
                       {kMadeAt - 900, {}, "<p>Kept " + name + "<script>x()</script></p>"});
        return site;
    }

    // The outcomes of the sites, made on `workers` workers, by the sites' names.
    std::map<std::string, SiteOutcome> Make(const std::vector<DisplaySite>& sites, unsigned workers,
                                            WorkerLimits limits) {
        SiteWorkers pool(workers, limits);
        std::mutex mutex;
        std::condition_variable changed;
        std::map<std::string, SiteOutcome> outcomes;
        for (const DisplaySite& site : sites)
            pool.submit({folder.path(), 1, site, {}, kMadeAt}, [&, site](SiteOutcome outcome) {
                std::lock_guard lock(mutex);
                outcomes[site.name] = std::move(outcome);
                changed.notify_all();
            });
        std::unique_lock lock(mutex);
        EXPECT_TRUE(changed.wait_for(lock, 60s, [&] { return outcomes.size() == sites.size(); }));
        return outcomes;
    }

    // A stand-in worker program: a shell script.
    void WorkerScript(const std::string& script) {
        folder.write("worker.sh", "#!/bin/sh\n" + script + "\n");
        std::filesystem::permissions(folder.file("worker.sh"), std::filesystem::perms::owner_all);
        SetWorkerProgramForTesting(folder.file("worker.sh"));
    }

    TempProgramFolder folder;
};

TEST_F(SiteWorkersTest, ASiteThatOverrunsItsWorkerFailsAloneAndTheNextSiteGetsANewWorker) {
    const WorkerLimits limits{1s, 256u << 20};
    const auto outcomes = Make({Site("Slow", "slow.xsl", 1, 1000),
                                Site("Doubling", "doubling.xsl", 2), Site("Good", "feed.xsl", 3)},
                               1, limits);
    const struct {
        const char* name;
        std::string reason;
    } failed[] = {{"Slow", "took longer than 1 s to clean"},
                  {"Doubling", "needed more than 256 MiB to clean"}};
    for (const auto& site : failed) {
        SCOPED_TRACE(site.name);
        const SiteOutcome& outcome = outcomes.at(site.name);
        EXPECT_EQ(outcome.failure, site.reason);
        EXPECT_EQ(outcome.status, "failed");
        EXPECT_NE(outcome.block.find("Could not update"), std::string::npos) << outcome.block;
        EXPECT_NE(outcome.block.find(site.reason), std::string::npos);
        // The block the last digest showed, framed by a new worker, through the last pass.
        EXPECT_NE(outcome.block.find(std::string("Kept ") + site.name), std::string::npos);
        EXPECT_EQ(outcome.block.find("<script"), std::string::npos) << outcome.block;
        EXPECT_FALSE(outcome.shown) << "what the last digest showed stays as it was";
    }
    const SiteOutcome& good = outcomes.at("Good");
    EXPECT_FALSE(good.failure);
    EXPECT_NE(good.block.find("Good story 29"), std::string::npos) << good.block;
}

// When the worker fails on the frame too, the program frames the reason itself, reading nothing a
// site wrote.
TEST_F(SiteWorkersTest, AWorkerThatKeepsFailingLeavesTheSiteItsReasonAlone) {
    const struct {
        const char* script;
        std::string reason;
    } cases[] = {
        {"kill -SEGV $$", kWorkerCrashedReason},
        {"exit 86", NeededTooMuchReason({})},
        {"exec sleep 30", "took longer than 0.5 s to clean"},
        {"exit 87", "the worker could not set up its sandbox, so it cleaned nothing"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script);
        WorkerScript(c.script);
        const auto outcomes = Make({Site("Site", "feed.xsl", 4)}, 2, {500ms, 768u << 20});
        const SiteOutcome& outcome = outcomes.at("Site");
        EXPECT_EQ(outcome.failure, c.reason);
        EXPECT_EQ(outcome.status, "failed");
        EXPECT_NE(outcome.block.find("id=\"site-4\""), std::string::npos) << outcome.block;
        EXPECT_NE(outcome.block.find(c.reason), std::string::npos) << outcome.block;
        EXPECT_EQ(outcome.block.find("Kept"), std::string::npos) << outcome.block;
    }
}

TEST_F(SiteWorkersTest, ATrialReportsEachStageOrWhyItStopped) {
    Site("Tried", "feed.xsl", 1);
    const TrialJob job{folder.path(),
                       folder.file("Work/" + PageFileName("Tried.example/feed")),
                       "xml",
                       folder.file("stylesheets/feed.xsl"),
                       "http://tried.example/",
                       {}};
    const DisplayTrial trial = SiteWorkers(1).run(job);
    EXPECT_TRUE(trial.cleaned);
    EXPECT_EQ(trial.failure, "");
    EXPECT_EQ(trial.parseReason, "");
    EXPECT_GT(trial.cleanedBytes, 1000u);
    EXPECT_NE(trial.block.find("Tried story 29"), std::string::npos) << trial.block;

    WorkerScript("kill -SEGV $$");
    const DisplayTrial crashed = SiteWorkers(1).run(job);
    EXPECT_FALSE(crashed.cleaned);
    EXPECT_EQ(crashed.failure, kWorkerCrashedReason);
}

TEST(WorkerSandbox, TheWorkerCanReadButNotWriteReachTheNetworkOrStartPrograms) {
    FILE* check = ::popen(("'" + WorkerProgram() + "' --check-sandbox").c_str(), "r");
    ASSERT_NE(check, nullptr);
    std::string report;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, check))
        report += buffer;
    const int status = ::pclose(check);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << report;
    for (const char* line :
         {"ok      can read a file", "ok      cannot create a file",
          "ok      cannot open a network socket", "ok      cannot start a program",
          "ok      cannot start a process", "ok      cannot signal the program that started it"})
        EXPECT_NE(report.find(line), std::string::npos) << report;
}

} // namespace
