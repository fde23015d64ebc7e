#include "app/WebDownload.h"

#include "app/RecordingDownloadHost.h"
#include "components/HttpFetch.h"
#include "pipeline/PageName.h"
#include "support/HttpTestServer.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>

namespace nimbrel::test {
namespace {

using namespace std::chrono_literals;

struct SelectedSite {
    std::string name;
    std::string url;
};

std::string SetupXml(const std::vector<SelectedSite>& sites) {
    std::string xml = "<setup><category Name=\"News\">";
    for (const auto& site : sites)
        xml += "<site Name=\"" + site.name + "\" URL=\"" + site.url +
               "\" Type=\"html\" StyleSheet=\"a.xsl\" RipFile=\"a.rip\"/>";
    return xml + "</category></setup>";
}

std::string PageFile(const std::string& url) {
    return "Sites/" + PageFileName(url);
}

class WebDownloadTest : public ::testing::Test {
  protected:
    void SetUp() override { SetDefaultHttpTimeouts({2, 2, 20}); }
    void TearDown() override { SetDefaultHttpTimeouts({}); }

    // The server's address as a selection writes it, without a scheme.
    std::string Bare(const std::string& path) const { return server.hostPort() + path; }

    void Select(const std::vector<SelectedSite>& sites) { folder.write("setup.xml", SetupXml(sites)); }

    void RunCycle() {
        thread = std::make_unique<TWebDownload>(host);
        ASSERT_TRUE(host.RunUntilFinished(*thread));
    }

    TempProgramFolder folder;
    HttpTestServer server;
    RecordingDownloadHost host;
    std::unique_ptr<TWebDownload> thread;
};

TEST_F(WebDownloadTest, ListsEverySiteWaitingThenFetchesThemInOrder) {
    server.route("/one", HttpRoute::Body("page one"));
    server.route("/two", HttpRoute::Body("page two"));
    server.route("/three", HttpRoute::Body("page three"));
    Select({{"First", Bare("/one")}, {"Second", Bare("/two")}, {"Third", Bare("/three")}});
    RunCycle();

    const std::vector<std::string> expectedStart = {
        "setup",           "rows 4",       "1,0=First",       "1,1=Waiting",     "2,0=Second",
        "2,1=Waiting",     "3,0=Third",    "3,1=Waiting",     "1,1=Downloading", "1,1=Complete",
        "2,1=Downloading", "2,1=Complete", "3,1=Downloading", "3,1=Complete"};
    EXPECT_EQ(host.changes, expectedStart);
    EXPECT_EQ(host.grid[0], (std::vector<std::string>{"Site", "Status"}));
    EXPECT_EQ(thread->CurrentURL(), "Complete");
    EXPECT_EQ(thread->FailureMessage(), "");
    EXPECT_EQ(server.requestedTargets(), (std::vector<std::string>{"/one", "/two", "/three"}));
    EXPECT_EQ(folder.read(PageFile(Bare("/two"))), "page two");
    EXPECT_EQ(server.requests()[0].headers.at("user-agent"), "test_app");
}

TEST_F(WebDownloadTest, StopDuringTheSecondOfThreeFinishesThatSiteOnly) {
    server.route("/one", HttpRoute::Body("one"));
    server.route("/two", HttpRoute::Body(std::string(2000, 't')).slow(100ms, 200));
    server.route("/three", HttpRoute::Body("three"));
    folder.write(PageFile(Bare("/three")), "earlier three");
    Select({{"A", Bare("/one")}, {"B", Bare("/two")}, {"C", Bare("/three")}});

    thread = std::make_unique<TWebDownload>(host);
    const auto end = std::chrono::steady_clock::now() + 20s;
    while (thread->CurrentURL() != Bare("/two") && std::chrono::steady_clock::now() < end)
        host.queue.waitAndRunPending(1ms);
    thread->Terminate();
    ASSERT_TRUE(host.RunUntilFinished(*thread));

    EXPECT_EQ(host.Statuses(), (std::vector<std::string>{"Complete", "Complete", "Waiting"}));
    EXPECT_EQ(thread->CurrentURL(), "Complete");
    EXPECT_EQ(folder.read(PageFile(Bare("/two"))), std::string(2000, 't'));
    EXPECT_EQ(folder.read(PageFile(Bare("/three"))), "earlier three");
    EXPECT_EQ(server.requestedTargets(), (std::vector<std::string>{"/one", "/two"}));
}

TEST_F(WebDownloadTest, StopBeforeAnySiteStillEndsTheCycle) {
    server.route("/one", HttpRoute::Body("one"));
    Select({{"A", Bare("/one")}});
    thread = std::make_unique<TWebDownload>(host);
    thread->Terminate();
    ASSERT_TRUE(host.RunUntilFinished(*thread));
    EXPECT_EQ(thread->CurrentURL(), "Complete");
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(WebDownloadTest, TwoSitesWithOneUrlShareOnePageFile) {
    server.route("/same", HttpRoute::Body("shared"));
    Select({{"A", Bare("/same")}, {"B", Bare("/same")}});
    RunCycle();
    EXPECT_EQ(host.Statuses(), (std::vector<std::string>{"Complete", "Complete"}));
    EXPECT_EQ(server.requests().size(), 2u);
    EXPECT_EQ(folder.read(PageFile(Bare("/same"))), "shared");
    size_t pageFiles = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder.file("Sites")))
        pageFiles += entry.path().extension() == ".dat";
    EXPECT_EQ(pageFiles, 1u); // and no temporary file left behind
}

TEST_F(WebDownloadTest, UrlFormsDecideWhatIsRequestedAndTheFileName) {
    server.route("/", HttpRoute::Body("root"));
    server.route("/p", HttpRoute::Body("with scheme"));
    const std::string withScheme = server.url("/p");
    const std::string secure = "HTTPS://" + server.hostPort() + "/s";
    Select({{"NoSlash", server.hostPort()}, {"Scheme", withScheme}, {"Secure", secure}});
    RunCycle();

    // No "/" at all: the name is the URL unchanged, colon included.
    EXPECT_EQ(folder.read("Sites/" + server.hostPort() + ".dat"), "root");
    EXPECT_EQ(folder.read(PageFile(withScheme)), "with scheme");
    EXPECT_NE(PageFile(withScheme).find("http...______127.0.0.1..."), std::string::npos);
    // https is attempted as written (a TLS handshake reaches the plain server), not prefixed.
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].target, "/");
    EXPECT_EQ(requests[1].target, "/p");
    EXPECT_EQ(requests[2].method, "TLS");
    EXPECT_EQ(host.Statuses()[2].rfind("Failed: ", 0), 0u);
}

TEST(FetchAddress, AddsHttpOnlyWhereNoSchemeIsWritten) {
    EXPECT_EQ(FetchAddress("www.example.com/news"), "http://www.example.com/news");
    EXPECT_EQ(FetchAddress("http://www.example.com/"), "http://www.example.com/");
    EXPECT_EQ(FetchAddress("https://www.example.com/"), "https://www.example.com/");
    EXPECT_EQ(FetchAddress("HttpS://www.example.com/"), "HttpS://www.example.com/");
    EXPECT_EQ(FetchAddress("go.example/?u=http://x"), "go.example/?u=http://x");
    EXPECT_EQ(FetchAddress("HTTP://www.example.com/"), "http://HTTP://www.example.com/");
    EXPECT_EQ(FetchAddress("www.example.com/https://"), "http://www.example.com/https://");
}

TEST_F(WebDownloadTest, UnfetchableSitesFailWithAReasonAndKeepTheirLastGoodPage) {
    server.route("/missing", HttpRoute::Body("<html>gone</html>", 404));
    server.route("/stalled", HttpRoute::Body(std::string(500, 's')).stallAfter(100));
    server.route("/cut", HttpRoute::Body(std::string(50000, 'c')).cutAfter(1000));
    server.route("/fine", HttpRoute::Body("fine"));
    const std::vector<SelectedSite> sites = {
        {"Unknown host", std::string(64, 'a') + ".test/x"},
        {"Refused", "127.0.0.1:" + std::to_string(UnusedLocalPort()) + "/x"},
        {"Missing", Bare("/missing")},
        {"Stalled", Bare("/stalled")},
        {"Cut", Bare("/cut")},
        {"Fine", Bare("/fine")}};
    for (const auto& site : sites)
        folder.write(PageFile(site.url), "last good " + site.name);
    Select(sites);
    RunCycle();

    const auto statuses = host.Statuses();
    for (size_t i = 0; i + 1 < sites.size(); ++i) {
        EXPECT_EQ(statuses[i].rfind("Failed: ", 0), 0u) << sites[i].name << ": " << statuses[i];
        EXPECT_EQ(folder.read(PageFile(sites[i].url)), "last good " + sites[i].name);
    }
    EXPECT_EQ(statuses[2], "Failed: HTTP 404");
    EXPECT_EQ(statuses[5], "Complete");
    EXPECT_EQ(folder.read(PageFile(Bare("/fine"))), "fine");
    EXPECT_EQ(thread->CurrentURL(), "Complete");
}

TEST_F(WebDownloadTest, FollowsRedirectsAndStoresADecodedBody) {
    const std::string page = "<html>" + std::string(10000, 'g') + "</html>";
    server.route("/start", HttpRoute::Redirect("/middle"));
    server.route("/middle", HttpRoute::Redirect("/end", 301));
    server.route("/end", HttpRoute::Body(page).gzipped());
    Select({{"Moved", Bare("/start")}});
    RunCycle();
    EXPECT_EQ(host.Statuses(), (std::vector<std::string>{"Complete"}));
    EXPECT_EQ(folder.read(PageFile(Bare("/start"))), page);
}

TEST_F(WebDownloadTest, MissingSelectionFileShowsTheMessageAndEndsTheProgram) {
    ScriptedDialogs dialogs;
    HaltRecorder halt;
    RunCycle();
    EXPECT_EQ(dialogs.messages,
              (std::vector<std::string>{"Setup.xml not found, the program will exit now. Please "
                                        "run the setup wizard before downloading"}));
    EXPECT_EQ(halt.count, 1);
    EXPECT_TRUE(host.changes.empty());
    EXPECT_NE(thread->CurrentURL(), "Complete");
}

TEST_F(WebDownloadTest, ThreadLetGoBeforeItLoadedNeverEndsTheProgram) {
    ScriptedDialogs dialogs;
    HaltRecorder halt;
    thread = std::make_unique<TWebDownload>(host);
    thread->Drop(); // the window thread has not run the selection step yet
    ASSERT_TRUE(host.RunUntilFinished(*thread));
    EXPECT_EQ(halt.count, 0);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(host.changes.empty());
    EXPECT_EQ(thread->CurrentURL(), "Complete");
}

TEST_F(WebDownloadTest, MalformedSelectionGivesAnEmptyListAndCompletesAtOnce) {
    folder.write("setup.xml", "<setup><site Name=\"A\" URL=\"x/y\"></setup");
    RunCycle();
    EXPECT_EQ(host.changes, (std::vector<std::string>{"setup", "rows 1"}));
    EXPECT_EQ(host.grid.size(), 1u);
    EXPECT_EQ(thread->CurrentURL(), "Complete");
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(WebDownloadTest, SiteWithoutUrlFailsAndTheOthersGoOn) {
    server.route("/ok", HttpRoute::Body("ok"));
    folder.write("setup.xml",
                 "<setup><site Name=\"No address\"/><site URL=\"" + Bare("/ok") + "\"/></setup>");
    RunCycle();
    EXPECT_EQ(host.grid[1][0], "No address");
    EXPECT_EQ(host.grid[2][0], "");
    EXPECT_EQ(host.Statuses()[0].rfind("Failed: ", 0), 0u);
    EXPECT_EQ(host.Statuses()[1], "Complete");
}

TEST_F(WebDownloadTest, UnwritableSitesFolderEndsTheWorkWithAFailureOnce) {
    server.route("/one", HttpRoute::Body("one"));
    server.route("/two", HttpRoute::Body("two"));
    Select({{"A", Bare("/one")}, {"B", Bare("/two")}});
    for (bool fileInItsPlace : {false, true}) {
        std::filesystem::remove_all(folder.file("Sites"));
        if (fileInItsPlace)
            folder.write("Sites", "not a folder");
        host.changes.clear();
        RunCycle();
        EXPECT_NE(thread->CurrentURL(), "Complete");
        EXPECT_FALSE(thread->FailureMessage().empty());
        EXPECT_EQ(host.Statuses()[0], "Failed: " + thread->FailureMessage());
        EXPECT_EQ(host.Statuses()[1], "Waiting");
    }
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(WebDownloadTest, DestroyingTheThreadWaitsForThePageInProgress) {
    server.route("/slow", HttpRoute::Body(std::string(1000, 'w')).slow(50ms, 100));
    Select({{"Slow", Bare("/slow")}, {"Never", Bare("/never")}});
    thread = std::make_unique<TWebDownload>(host);
    while (thread->CurrentURL() != Bare("/slow"))
        host.queue.waitAndRunPending(1ms);
    // The window closes: it takes no more routines and waits for the thread.
    host.queue.close();
    thread.reset();
    EXPECT_EQ(folder.read(PageFile(Bare("/slow"))), std::string(1000, 'w'));
    EXPECT_EQ(server.requestedTargets(), (std::vector<std::string>{"/slow"}));
}

TEST_F(WebDownloadTest, ClosingTheWindowSideReleasesAThreadWaitingToLoad) {
    Select({{"A", Bare("/one")}});
    thread = std::make_unique<TWebDownload>(host);
    std::this_thread::sleep_for(20ms); // the thread now waits for the window thread
    host.queue.close();
    thread.reset(); // would hang if the waiting thread were not released
    EXPECT_TRUE(host.changes.empty());
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(WebDownloadTest, DroppedThreadLeavesTheGridAlone) {
    server.route("/slow", HttpRoute::Body(std::string(600, 'd')).slow(50ms, 100));
    Select({{"Slow", Bare("/slow")}, {"Next", Bare("/next")}});
    thread = std::make_unique<TWebDownload>(host);
    while (thread->CurrentURL() != Bare("/slow"))
        host.queue.waitAndRunPending(1ms);
    thread->Drop();
    ASSERT_TRUE(host.RunUntilFinished(*thread));
    EXPECT_EQ(host.Statuses(), (std::vector<std::string>{"Downloading", "Waiting"}));
    EXPECT_EQ(folder.read(PageFile(Bare("/slow"))), std::string(600, 'd'));
    EXPECT_EQ(thread->CurrentURL(), "Complete");
}

} // namespace
} // namespace nimbrel::test
