// The cut and the display step behind the fetch: a site is cut, and its block begun, while other
// pages are still downloading; what the cycle shows and writes is what cutting after the fetch
// gave.
#include "pipeline/CutPipeline.h"

#include "app/RecordingDownloadHost.h"
#include "app/WebDownload.h"
#include "pipeline/Rip.h"
#include "pipeline/SiteFiles.h"
#include "pipeline/TidyAndDisplay.h"
#include "support/HttpTestServer.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>

namespace nimbrel::test {
namespace {

using namespace std::chrono_literals;

constexpr std::time_t kMadeAt = 1'700'000'000;

class CutPipelineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        WriteCycleFiles(folder);
        for (const char* path : {"/a", "/b", "/c"})
            server.route(path, HttpRoute::Body(BoldPage(std::string("story ") + path)));
    }

    std::string Url(const std::string& path) const { return server.hostPort() + path; }
    std::string CutFile(const std::string& path) const { return "Work/" + PageFileName(Url(path)); }

    // Sites as (name, path, rule file); the rule file "rule.xml" cuts the bold pieces.
    void Select(const std::vector<std::array<std::string, 3>>& sites) {
        std::string xml = "<setup>";
        for (const auto& [name, path, rule] : sites)
            xml += "<site Name=\"" + name + "\" URL=\"" + Url(path) +
                   "\" Type=\"html\" StyleSheet=\"s.xsl\" RipFile=\"" + rule + "\"/>";
        folder.write("setup.xml", xml + "</setup>");
    }

    void Start() {
        pipeline = std::make_shared<CutPipeline>(2, kMadeAt);
        thread = std::make_unique<TWebDownload>(host, pipeline);
    }

    // Plays the window thread until `done` holds; false after 30 s.
    bool PlayUntil(const std::function<bool()>& done) {
        const auto end = std::chrono::steady_clock::now() + 30s;
        while (!done()) {
            if (std::chrono::steady_clock::now() > end)
                return false;
            host.queue.waitAndRunPending(2ms);
        }
        return true;
    }

    std::string Row(size_t row) const {
        return host.grid.size() > row ? host.grid[row][1] : std::string();
    }

    // The display step as the cycle's end runs it.
    DisplayReport Display(EarlyDisplay* early) {
        DisplayContext context;
        context.autoView = false;
        context.updatePageMayOpen = false;
        context.early = early;
        context.workers = 2;
        context.madeAt = kMadeAt;
        return TidyAndDisplay("setup.xml", context);
    }

    TempProgramFolder folder;
    ScriptedDialogs dialogs;
    RecordingShell shell;
    HttpTestServer server;
    RecordingDownloadHost host;
    std::shared_ptr<CutPipeline> pipeline;
    std::unique_ptr<TWebDownload> thread;
};

TEST_F(CutPipelineTest, ASiteIsCutWhileALaterPageIsStillDownloadingAndItsMessagesWaitTheirTurn) {
    server.route("/slow", HttpRoute().silent());
    Select({{"A", "/a", "rule.xml"}, {"C", "/c", "missing.xml"}, {"S", "/slow", "rule.xml"}});
    Start();
    ASSERT_TRUE(PlayUntil([&] { return folder.exists(CutFile("/a")); }));
    // A is cut and C's cut met its missing rule file while S still downloads; the message waits
    // for the place where the cut after the fetch showed it.
    ASSERT_TRUE(
        PlayUntil([&] { return folder.exists("Work/" + PageFileStem(Url("/c")) + ".err"); }));
    EXPECT_EQ(Row(3), "Downloading");
    EXPECT_FALSE(folder.exists(CutFile("/slow")));
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_NE(folder.read(CutFile("/a")).find("story /a"), std::string::npos);

    thread->Terminate();
    ASSERT_TRUE(host.RunUntilFinished(*thread));
    EXPECT_EQ(Row(3), "Stopped");
    ASSERT_EQ(thread->CurrentURL(), "Complete");
    ASSERT_TRUE(PlayUntil([&] { return pipeline->ready(); }));
    ASSERT_TRUE(pipeline->finishCut());
    EXPECT_EQ(dialogs.messages,
              (std::vector<std::string>{folder.file("Rip/missing.xml") +
                                        " not found, the program will exit now!"}));
    const DisplayReport report = Display(pipeline->early());
    ASSERT_TRUE(report.written);
    EXPECT_NE(folder.read("site.html").find("story /a"), std::string::npos);
}

// Sites sharing a page file, the last of them the slowest: the page is byte for byte what the
// three steps one after the other make of the same pages.
TEST_F(CutPipelineTest, ThePageIsTheOneCuttingAfterTheFetchGives) {
    server.route("/late", HttpRoute::Body(BoldPage("late story")).delayed(300ms));
    Select({{"A", "/late", "rule.xml"},
            {"B", "/a", "rule.xml"},
            {"C", "/b", "missing.xml"},
            {"D", "/late", "rule.xml"},
            {"E", "/c", "rule.xml"}});
    Start();
    ASSERT_TRUE(host.RunUntilFinished(*thread));
    ASSERT_TRUE(PlayUntil([&] { return pipeline->ready(); }));
    ASSERT_TRUE(pipeline->finishCut());
    ASSERT_TRUE(Display(pipeline->early()).written);
    const std::string pipelined = folder.read("site.html");
    const std::vector<std::string> messages = dialogs.messages;
    EXPECT_NE(pipelined.find("late story"), std::string::npos);

    dialogs.messages.clear();
    ASSERT_TRUE(Rip());
    ASSERT_TRUE(Display(nullptr).written);
    EXPECT_EQ(folder.read("site.html"), pipelined);
    EXPECT_EQ(dialogs.messages, messages);
}

TEST_F(CutPipelineTest, AFetchThatFailsOrIsLetGoCutsNothingMore) {
    server.route("/slow", HttpRoute().silent());
    Select({{"S", "/slow", "rule.xml"}, {"A", "/a", "rule.xml"}});
    Start();
    ASSERT_TRUE(PlayUntil([&] { return Row(1) == "Downloading" && Row(2) == "Complete"; }));
    thread->Drop();
    ASSERT_TRUE(host.RunUntilFinished(*thread));
    EXPECT_TRUE(pipeline->ready());
    EXPECT_TRUE(pipeline->finishCut());
    EXPECT_FALSE(folder.exists(CutFile("/a"))) << "S was never settled, so A was never cut";
    EXPECT_FALSE(folder.exists("site.html"));
    for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
        EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos);
}

} // namespace
} // namespace nimbrel::test
