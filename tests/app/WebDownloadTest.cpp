#include "app/WebDownload.h"

#include "app/RecordingDownloadHost.h"
#include "app/SiteFetch.h"
#include "components/HttpAddress.h"
#include "components/HttpFetch.h"
#include "pipeline/SiteFiles.h"
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

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.rfind(prefix, 0) == 0;
}

class WebDownloadTest : public ::testing::Test {
  protected:
    void SetUp() override { SetDefaultHttpBounds({2, 1024, 2, 20}); }
    void TearDown() override { SetDefaultHttpBounds({}); }

    // The server's address as a selection writes it, without a scheme.
    std::string Bare(const std::string& path) const { return server.hostPort() + path; }

    void Select(const std::vector<SelectedSite>& sites) {
        folder.write("setup.xml", SetupXml(sites));
    }

    void RunCycle() {
        thread = std::make_unique<TWebDownload>(host);
        ASSERT_TRUE(host.RunUntilFinished(*thread));
    }

    // Plays the window thread until the row reads `status`; false after 20 s.
    bool RunUntilRow(int row, const std::string& status) {
        const auto end = std::chrono::steady_clock::now() + 20s;
        while (host.grid.size() <= static_cast<size_t>(row) || host.grid[row][1] != status) {
            if (std::chrono::steady_clock::now() > end)
                return false;
            host.queue.waitAndRunPending(1ms);
        }
        return true;
    }

    // The statuses one row went through, in order.
    std::vector<std::string> RowHistory(int row) const {
        std::vector<std::string> history;
        const std::string prefix = std::to_string(row) + ",1=";
        for (const auto& change : host.changes)
            if (StartsWith(change, prefix))
                history.push_back(change.substr(prefix.size()));
        return history;
    }

    TempProgramFolder folder;
    HttpTestServer server;
    RecordingDownloadHost host;
    std::unique_ptr<TWebDownload> thread;
};

TEST_F(WebDownloadTest, ListsEverySiteWaitingThenFetchesThemAll) {
    server.route("/one", HttpRoute::Body("page one"));
    server.route("/two", HttpRoute::Body("page two"));
    server.route("/three", HttpRoute::Body("page three"));
    Select({{"First", Bare("/one")}, {"Second", Bare("/two")}, {"Third", Bare("/three")}});
    RunCycle();

    const std::vector<std::string> listing = {"setup",       "rows 4",     "1,0=First",
                                              "1,1=Waiting", "2,0=Second", "2,1=Waiting",
                                              "3,0=Third",   "3,1=Waiting"};
    ASSERT_GE(host.changes.size(), listing.size());
    EXPECT_EQ(std::vector<std::string>(host.changes.begin(), host.changes.begin() + 8), listing);
    for (int row = 1; row <= 3; ++row)
        EXPECT_EQ(RowHistory(row),
                  (std::vector<std::string>{"Waiting", "Downloading", "Complete"}));
    EXPECT_EQ(host.grid[0], (std::vector<std::string>{"Site", "Status"}));
    EXPECT_EQ(thread->CurrentURL(), "Complete");
    EXPECT_EQ(thread->FailureMessage(), "");
    auto targets = server.requestedTargets();
    std::sort(targets.begin(), targets.end());
    EXPECT_EQ(targets, (std::vector<std::string>{"/one", "/three", "/two"}));
    EXPECT_EQ(folder.read(PageFile(Bare("/two"))), "page two");
    EXPECT_EQ(server.requests()[0].headers.at("user-agent"),
              std::string("Nimbrel/") + NIMBREL_VERSION + " (test_app)");
}

// Three hosts with four pages each, every answer slow: two pages of a host at a time, begun in
// selection order, over connections kept alive.
TEST_F(WebDownloadTest, FetchesSeveralHostsAtOnceTwoPagesPerHostInSelectionOrder) {
    std::vector<std::unique_ptr<HttpTestServer>> hosts;
    std::vector<SelectedSite> sites;
    for (const char* address : {"127.0.0.1", "127.0.0.2", "127.0.0.3"}) {
        hosts.push_back(std::make_unique<HttpTestServer>(address));
        hosts.back()->route("/p", HttpRoute::Body("page").delayed(100ms));
        for (int page = 0; page < 4; ++page)
            sites.push_back({"S" + std::to_string(sites.size()),
                             hosts.back()->hostPort() + "/p?" + std::to_string(page)});
    }
    Select(sites);
    std::vector<std::string> startedUrls; // CurrentURL as the window saw it
    thread = std::make_unique<TWebDownload>(host);
    while (!thread->Finished()) {
        host.queue.waitAndRunPending(1ms);
        const std::string url = thread->CurrentURL();
        if (!url.empty() && (startedUrls.empty() || startedUrls.back() != url))
            startedUrls.push_back(url);
    }
    host.queue.runPending();

    EXPECT_EQ(host.Statuses(), std::vector<std::string>(12, "Complete"));
    EXPECT_EQ(startedUrls.back(), "Complete");
    for (const auto& server : hosts) {
        EXPECT_EQ(server->mostRequestsAtOnce(), 2);
        EXPECT_LE(server->connectionsAccepted(), 2);
        auto targets = server->requestedTargets();
        std::sort(targets.begin(), targets.end());
        EXPECT_EQ(targets, (std::vector<std::string>{"/p?0", "/p?1", "/p?2", "/p?3"}));
    }
    // Rows went Downloading in selection order, host by host as slots freed.
    std::vector<int> begun;
    for (const auto& change : host.changes)
        if (change.find(",1=Downloading") != std::string::npos)
            begun.push_back(std::stoi(change));
    EXPECT_EQ(std::vector<int>(begun.begin(), begun.begin() + 6),
              (std::vector<int>{1, 2, 5, 6, 9, 10}));
}

TEST_F(WebDownloadTest, StopAbandonsThePagesInProgressAtOnceAndBeginsNoMore) {
    server.route("/fast", HttpRoute::Body("fast"));
    server.route("/slow", HttpRoute::Body(std::string(100000, 's')).slow(100ms, 1000));
    server.route("/silent", HttpRoute::Body("never").silent());
    Select({{"A", Bare("/fast")}, {"B", Bare("/slow")}, {"C", Bare("/silent")}, {"D", Bare("/x")}});
    folder.write(PageFile(Bare("/slow")), "earlier slow");
    thread = std::make_unique<TWebDownload>(host);
    ASSERT_TRUE(RunUntilRow(3, "Downloading"));
    thread->Terminate();
    // Left alone, the silent page would wait out the stall time and fail rather than stop.
    ASSERT_TRUE(host.RunUntilFinished(*thread));

    EXPECT_EQ(host.Statuses(),
              (std::vector<std::string>{"Complete", "Stopped", "Stopped", "Waiting"}));
    EXPECT_EQ(thread->CurrentURL(), "Complete");
    EXPECT_EQ(folder.read(PageFile(Bare("/slow"))), "earlier slow");
    EXPECT_FALSE(folder.exists(PageFile(Bare("/silent"))));
    EXPECT_EQ(ReadSiteRecord(Bare("/slow")).status, FetchStatus::Stopped);
    for (const auto& target : server.requestedTargets())
        EXPECT_NE(target, "/x");
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
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder.file("Sites")))
        files.push_back(entry.path().filename().string());
    std::sort(files.begin(), files.end()); // and no temporary file left behind
    const std::string stem = PageFileStem(Bare("/same"));
    EXPECT_EQ(files, (std::vector<std::string>{stem + ".dat", stem + ".rec"}));
}

TEST_F(WebDownloadTest, UrlFormsDecideWhatIsRequestedAndTheFileName) {
    server.route("/", HttpRoute::Body("root"));
    server.route("/p", HttpRoute::Body("with scheme"));
    server.route("/u", HttpRoute::Body("upper case scheme"));
    const std::string withScheme = server.url("/p");
    const std::string upper = "HTTP://" + server.hostPort() + "/u";
    const std::string secure = "HTTPS://" + server.hostPort() + "/s";
    Select({{"NoSlash", server.hostPort()},
            {"Scheme", withScheme},
            {"Upper", upper},
            {"Secure", secure}});
    RunCycle();

    // No "/" at all: the name is the URL unchanged, colon included.
    EXPECT_EQ(folder.read("Sites/" + server.hostPort() + ".dat"), "root");
    EXPECT_EQ(folder.read(PageFile(withScheme)), "with scheme");
    EXPECT_NE(PageFile(withScheme).find("http...______127.0.0.1..."), std::string::npos);
    EXPECT_EQ(folder.read(PageFile(upper)), "upper case scheme");
    // https is attempted as written (a TLS handshake reaches the plain server), not prefixed.
    std::vector<std::string> asked;
    for (const auto& request : server.requests())
        asked.push_back(request.method + " " + request.target);
    std::sort(asked.begin(), asked.end());
    EXPECT_EQ(asked, (std::vector<std::string>{"GET /", "GET /p", "GET /u", "TLS "}));
    EXPECT_EQ(host.Statuses()[2], "Complete");
    EXPECT_TRUE(StartsWith(host.Statuses()[3], "Failed: "));
}

TEST(FetchAddress, AddsHttpOnlyWhereNoSchemeIsWritten) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"www.example.com/news", "http://www.example.com/news"},
        {"http://www.example.com/", "http://www.example.com/"},
        {"HTTP://www.example.com/", "HTTP://www.example.com/"},
        {"Http://www.example.com/", "Http://www.example.com/"},
        {"https://www.example.com/", "https://www.example.com/"},
        {"HttpS://www.example.com/", "HttpS://www.example.com/"},
        {"go.example/?u=http://x", "go.example/?u=http://x"},
        {"www.example.com/https://", "http://www.example.com/https://"},
        {"www.example.com/HTTP://", "http://www.example.com/HTTP://"},
        {"localhost:8080/feed", "http://localhost:8080/feed"},
        {"example.org:80", "http://example.org:80"},
        // Another scheme is kept, so the HTTP layer refuses it instead of asking a host
        // named "file" or "javascript".
        {"file:///etc/passwd", "file:///etc/passwd"},
        {"gopher://example.org/", "gopher://example.org/"},
        {"javascript:alert(1)", "javascript:alert(1)"},
    };
    for (const auto& [written, requested] : cases)
        EXPECT_EQ(FetchAddress(written), requested) << written;
}

TEST_F(WebDownloadTest, UnfetchableSitesFailWithOneReasonAndKeepTheirLastGoodPage) {
    server.route("/missing", HttpRoute::Body("<html>gone</html>", 404));
    server.route("/stalled", HttpRoute::Body(std::string(500, 's')).stallAfter(100));
    server.route("/bomb", HttpRoute::GzipBomb(2 * limits::kPageBytes));
    server.route("/fine", HttpRoute::Body("fine"));
    const std::vector<SelectedSite> sites = {
        {"Unknown host", std::string(64, 'a') + ".test/x"},
        {"Refused", "127.0.0.1:" + std::to_string(UnusedLocalPort()) + "/x"},
        {"Missing", Bare("/missing")},
        {"Stalled", Bare("/stalled")},
        {"Bomb", Bare("/bomb")},
        {"Fine", Bare("/fine")}};
    for (const auto& site : sites) {
        folder.write(PageFile(site.url), "last good " + site.name);
        SiteRecord earlier;
        earlier.status = FetchStatus::Ok;
        earlier.fetched = 1714473600;
        WriteSiteRecord(site.url, earlier);
    }
    Select(sites);
    RunCycle();

    const auto statuses = host.Statuses();
    for (size_t i = 0; i + 1 < sites.size(); ++i) {
        SCOPED_TRACE(sites[i].name + ": " + statuses[i]);
        EXPECT_TRUE(StartsWith(statuses[i], "Failed: "));
        EXPECT_FALSE(StartsWith(statuses[i], "Failed: Failed"));
        EXPECT_EQ(folder.read(PageFile(sites[i].url)), "last good " + sites[i].name);
        EXPECT_TRUE(StartsWith(host.tips.at(i + 1), FetchAddress(sites[i].url) + ": "));
        const SiteRecord record = ReadSiteRecord(sites[i].url);
        EXPECT_EQ(record.status, FetchStatus::Failed);
        EXPECT_EQ("Failed: " + record.reason, statuses[i]);
        EXPECT_EQ(record.fetched, 1714473600); // the page on disk is still that one
        EXPECT_GT(record.attempted, record.fetched);
    }
    EXPECT_EQ(statuses[2], "Failed: HTTP 404");
    EXPECT_EQ(statuses[4], "Failed: page larger than 32 MB");
    EXPECT_EQ(statuses[5], "Complete");
    EXPECT_EQ(host.tips.at(6), "");
    EXPECT_EQ(folder.read(PageFile(Bare("/fine"))), "fine");
    EXPECT_EQ(thread->CurrentURL(), "Complete");
}

// The page is converted to UTF-8 once, when it arrives: a 304 keeps the converted file as it
// is (converting it again by the header's charset would garble every accented letter).
TEST_F(WebDownloadTest, SecondCycleAsksConditionallyAndKeepsThePageOnNotModified) {
    server.route("/news", HttpRoute::Body("<p>caf\xe9</p>")
                              .withContentType("text/html; charset=iso-8859-1")
                              .withETag("\"v1\"")
                              .withLastModified("Wed, 01 May 2024 10:00:00 GMT"));
    Select({{"News", Bare("/news")}});
    RunCycle();
    EXPECT_EQ(host.Statuses(), (std::vector<std::string>{"Complete"}));
    EXPECT_EQ(folder.read(PageFile(Bare("/news"))), "<p>caf\xc3\xa9</p>");
    const SiteRecord first = ReadSiteRecord(Bare("/news"));
    EXPECT_EQ(first.etag, "\"v1\"");
    EXPECT_EQ(first.status, FetchStatus::Ok);
    EXPECT_EQ(server.requests()[0].headers.count("if-none-match"), 0u);

    host.changes.clear();
    RunCycle();
    EXPECT_EQ(RowHistory(1), (std::vector<std::string>{"Waiting", "Downloading", "Not modified"}));
    const auto second = server.requests().back();
    EXPECT_EQ(second.headers.at("if-none-match"), "\"v1\"");
    EXPECT_EQ(second.headers.at("if-modified-since"), "Wed, 01 May 2024 10:00:00 GMT");
    EXPECT_EQ(second.status, 304);
    EXPECT_EQ(folder.read(PageFile(Bare("/news"))), "<p>caf\xc3\xa9</p>");
    const SiteRecord kept = ReadSiteRecord(Bare("/news"));
    EXPECT_EQ(kept.status, FetchStatus::NotModified);
    EXPECT_EQ(kept.fetched, first.fetched);
    EXPECT_EQ(kept.etag, "\"v1\"");

    // Without its page file a site asks for the whole page again.
    std::filesystem::remove(folder.file(PageFile(Bare("/news"))));
    RunCycle();
    EXPECT_EQ(server.requests().back().headers.count("if-none-match"), 0u);
    EXPECT_EQ(host.Statuses(), (std::vector<std::string>{"Complete"}));
}

TEST_F(WebDownloadTest, RetryAfterDefersTheSiteAcrossCyclesUntilItsMoment) {
    server.route("/busy", HttpRoute::Body("busy", 503).withHeader("Retry-After", "3600"));
    server.route("/limited", HttpRoute::Body("slow down", 429).withHeader("Retry-After", "1"));
    folder.write(PageFile(Bare("/busy")), "last good busy");
    Select({{"Busy", Bare("/busy")}, {"Limited", Bare("/limited")}});
    RunCycle();
    const std::string deferred = host.Statuses()[0];
    EXPECT_TRUE(StartsWith(deferred, "Deferred: retry after ")) << deferred;
    EXPECT_EQ(deferred,
              DeferredStatus(ReadSiteRecord(Bare("/busy")).retryAfter, std::time(nullptr)));
    EXPECT_TRUE(StartsWith(host.Statuses()[1], "Deferred: retry after "));
    EXPECT_TRUE(StartsWith(host.tips.at(1), FetchAddress(Bare("/busy")) + ": HTTP/1.1 503"));
    EXPECT_EQ(folder.read(PageFile(Bare("/busy"))), "last good busy");
    const SiteRecord record = ReadSiteRecord(Bare("/busy"));
    EXPECT_EQ(record.status, FetchStatus::Deferred);
    EXPECT_EQ(record.reason, "HTTP 503");
    EXPECT_NEAR(static_cast<double>(record.retryAfter), std::time(nullptr) + 3600.0, 5.0);

    // A later cycle (a restart reads the same record) asks nothing of the busy site before its
    // moment; the other one's moment has passed.
    SiteRecord limited = ReadSiteRecord(Bare("/limited"));
    ASSERT_EQ(limited.status, FetchStatus::Deferred);
    limited.retryAfter = std::time(nullptr) - 1;
    WriteSiteRecord(Bare("/limited"), limited);
    host.changes.clear();
    RunCycle();
    EXPECT_EQ(host.Statuses()[0], deferred);
    EXPECT_EQ(RowHistory(1), (std::vector<std::string>{"Waiting", "Downloading", deferred}));
    auto targets = server.requestedTargets();
    std::sort(targets.begin(), targets.end());
    EXPECT_EQ(targets, (std::vector<std::string>{"/busy", "/limited", "/limited"}));

    SiteRecord passed = record;
    passed.retryAfter = std::time(nullptr) - 1;
    WriteSiteRecord(Bare("/busy"), passed);
    Select({{"Busy", Bare("/busy")}});
    RunCycle();
    EXPECT_EQ(server.requests().size(), 4u);
    EXPECT_EQ(server.requests().back().target, "/busy");
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
    EXPECT_TRUE(StartsWith(host.Statuses()[0], "Failed: "));
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

TEST_F(WebDownloadTest, DestroyingTheThreadAbandonsThePageInProgressAtOnce) {
    server.route("/slow", HttpRoute::Body(std::string(100000, 'w')).slow(100ms, 1000));
    Select({{"Slow", Bare("/slow")}});
    thread = std::make_unique<TWebDownload>(host);
    ASSERT_TRUE(RunUntilRow(1, "Downloading"));
    ASSERT_TRUE(server.waitForRequests(1));
    // The window closes: it takes no more routines and waits for the thread. Had the page not
    // been abandoned, it would be whole on disk once the wait ended.
    host.queue.close();
    thread.reset();
    EXPECT_FALSE(folder.exists(PageFile(Bare("/slow"))));
}

TEST_F(WebDownloadTest, ClosingTheWindowSideReleasesAThreadWaitingToLoad) {
    Select({{"A", Bare("/one")}});
    thread = std::make_unique<TWebDownload>(host);
    ASSERT_TRUE(host.WaitForRoutine()); // the thread now waits for the window thread
    host.queue.close();
    thread.reset(); // would hang if the waiting thread were not released
    EXPECT_TRUE(host.changes.empty());
    EXPECT_TRUE(server.requests().empty());
}

// A thread let go (Setup) stops its rows while the grid still shows its cycle, and leaves the
// grid alone once it shows another one.
TEST_F(WebDownloadTest, DroppedThreadChangesOnlyItsOwnGrid) {
    server.route("/slow", HttpRoute::Body(std::string(100000, 'd')).slow(100ms, 1000));
    Select({{"Slow", Bare("/slow")}, {"Also", Bare("/slow")}, {"Next", Bare("/next")}});
    for (bool anotherCycleShown : {false, true}) {
        host.changes.clear();
        thread = std::make_unique<TWebDownload>(host);
        ASSERT_TRUE(RunUntilRow(2, "Downloading"));
        if (anotherCycleShown)
            host.ShownCycle = 0; // as a newer cycle's thread takes the grid
        const size_t before = host.changes.size();
        thread->Drop();
        ASSERT_TRUE(host.RunUntilFinished(*thread));
        EXPECT_EQ(thread->CurrentURL(), "Complete");
        if (anotherCycleShown)
            EXPECT_EQ(host.changes.size(), before);
        else
            EXPECT_EQ(host.Statuses(), (std::vector<std::string>{"Stopped", "Stopped", "Waiting"}));
    }
    EXPECT_FALSE(folder.exists(PageFile(Bare("/slow"))));
}

} // namespace
} // namespace nimbrel::test
