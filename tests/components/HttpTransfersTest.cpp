#include "components/HttpTransfers.h"

#include "support/HttpTestServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <memory>
#include <thread>

namespace nimbrel {
namespace {

using namespace std::chrono_literals;
using test::HttpRoute;
using test::HttpTestServer;

// What run() reported, in order.
struct Journal {
    std::vector<HttpTransfers::Id> started;
    std::map<HttpTransfers::Id, HttpResult> ended;
    int inFlight = 0;
    int mostInFlight = 0;

    HttpTransfers::Events events() {
        return {[this](HttpTransfers::Id id) {
                    started.push_back(id);
                    mostInFlight = std::max(mostInFlight, ++inFlight);
                },
                [this](HttpTransfers::Id id, const HttpResult& result) {
                    --inFlight;
                    ended[id] = result;
                }};
    }
};

// Ten hosts: nine loopback addresses, and a second port on the first (a host is scheme, host and
// port). Three pages each, queued host after host; each answer takes a while, so the limits
// decide what runs together: sixteen at once, two per host.
TEST(HttpTransfers, StartInQueueOrderWithinSixteenAtOnceAndTwoPerHost) {
    constexpr int kPages = 3;
    std::vector<std::unique_ptr<HttpTestServer>> hosts;
    for (int address = 1; address <= 10; ++address) {
        hosts.push_back(std::make_unique<HttpTestServer>(
            "127.0.0." + std::to_string(address == 10 ? 1 : address)));
        hosts.back()->route("/p", HttpRoute::Body(std::string(5000, 'p')).delayed(150ms));
    }
    HttpTransfers transfers;
    for (const auto& host : hosts)
        for (int page = 0; page < kPages; ++page)
            transfers.add({host->url("/p"), "agent"});
    Journal journal;
    transfers.run(journal.events());

    ASSERT_EQ(journal.ended.size(), hosts.size() * kPages);
    for (const auto& [id, result] : journal.ended)
        EXPECT_TRUE(result.ok) << id << ": " << result.reason;
    // The first sixteen: two of each of the first eight hosts, then the others as slots free.
    std::vector<HttpTransfers::Id> firstSixteen;
    for (HttpTransfers::Id host = 0; host < 8; ++host)
        for (HttpTransfers::Id page = 0; page < 2; ++page)
            firstSixteen.push_back(host * kPages + page);
    EXPECT_EQ(std::vector<HttpTransfers::Id>(journal.started.begin(), journal.started.begin() + 16),
              firstSixteen);
    for (size_t host = 0; host < hosts.size(); ++host) {
        std::vector<HttpTransfers::Id> order;
        for (HttpTransfers::Id id : journal.started)
            if (id / kPages == host)
                order.push_back(id);
        EXPECT_TRUE(std::is_sorted(order.begin(), order.end())) << host;
        EXPECT_EQ(hosts[host]->mostRequestsAtOnce(), 2) << host;
        // Ten hosts may keep twenty connections but sixteen are allowed in all, so an idle one
        // is sometimes closed for another host's page: reuse is checked where hosts are few.
        EXPECT_LE(hosts[host]->mostConnectionsAtOnce(), 2) << host;
    }
    EXPECT_EQ(journal.mostInFlight, 16);
}

TEST(HttpTransfers, AbortEndsStalledTransfersAtOnceAndBeginsNoMore) {
    HttpTestServer server;
    server.route("/silent", HttpRoute::Body("never").silent());
    server.route("/trickle", HttpRoute::Body(std::string(100000, 't')).slow(100ms, 10));
    HttpTransfers transfers(DefaultHttpBounds(), 8, 8);
    for (int i = 0; i < 10; ++i)
        transfers.add({server.url(i % 2 ? "/silent" : "/trickle"), "agent"});
    Journal journal;
    // Aborted once all eight requests are out, none of them answered in full. Left alone, the
    // silent ones would wait out the stall time-out and end as failures, not as stopped.
    std::thread stopper([&] {
        EXPECT_TRUE(server.waitForRequests(8));
        transfers.abort();
    });
    transfers.run(journal.events());
    stopper.join();
    EXPECT_EQ(server.requests().size(), 8u);
    ASSERT_EQ(journal.ended.size(), 8u); // the two never begun are not reported
    for (const auto& [id, result] : journal.ended) {
        EXPECT_TRUE(result.stopped) << id;
        EXPECT_FALSE(result.ok) << id;
    }
    // Once aborted, always: a later run begins nothing.
    transfers.run(journal.events());
    EXPECT_EQ(journal.started.size(), 8u);
}

TEST(HttpTransfers, AnEventThatRaisesEndsTheRunBeforeItsRequestIsSent) {
    HttpTestServer server;
    server.route("/slow", HttpRoute::Body(std::string(100000, 's')).slow(50ms, 100));
    HttpTransfers transfers;
    for (int i = 0; i < 3; ++i)
        transfers.add({server.url("/slow"), "agent"});
    std::vector<HttpTransfers::Id> started;
    EXPECT_THROW(transfers.run({[&](HttpTransfers::Id id) {
                                    started.push_back(id);
                                    if (started.size() == 2)
                                        throw std::runtime_error("no page file");
                                },
                                {}}),
                 std::runtime_error);
    // The second was refused before its transfer was made; the third never began.
    EXPECT_EQ(started, (std::vector<HttpTransfers::Id>{0, 1}));
}

// Every failure reads as one short reason, never libcurl's sentence (which starts with "Failed"
// as often as not); the sentence is the detail. The cases run together, as a cycle runs them.
TEST(HttpTransfers, EveryFailureHasOneShortReasonAndTheWholeStoryAsDetail) {
    HttpTestServer server;
    test::UnansweringServer silent;
    server.route("/missing", HttpRoute::Body("gone", 404));
    server.route("/broken", HttpRoute::Body("oops", 500));
    server.route("/cut", HttpRoute::Body(std::string(50000, 'c')).cutAfter(1000));
    server.route("/stalled", HttpRoute::Body(std::string(5000, 's')).stallAfter(100));
    server.route("/trickle", HttpRoute::Body(std::string(100000, 't')).slow(100ms, 2));
    server.route("/loop", HttpRoute::Redirect("/loop"));
    server.route("/to-file", HttpRoute::Redirect("file:///etc/passwd"));
    server.route("/large", HttpRoute::Generated(2'000'000));
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"http://127.0.0.1:" + std::to_string(test::UnusedLocalPort()) + "/", "could not connect"},
        {"http://" + std::string(64, 'a') + ".test/", "host not found"},
        {"http://" + silent.hostPort() + "/", "no answer within 2 s"},
        {server.url("/missing"), "HTTP 404"},
        {server.url("/cut"), "connection cut mid-page"},
        {server.url("/stalled"), "too slow (under 1024 bytes/s for 1 s)"},
        {server.url("/broken"), "HTTP 500"},
        {server.url("/trickle"), "too slow (under 1024 bytes/s for 1 s)"},
        {server.url("/loop"), "too many redirects"},
        {server.url("/to-file"), "only http and https addresses can be fetched"},
        {server.url("/large"), "page larger than 1 MB"},
        {"gopher://127.0.0.1/", "only http and https addresses can be fetched"},
        {"file:///etc/passwd", "only http and https addresses can be fetched"},
    };
    HttpTransfers transfers({2, 1024, 1, 20, 1 << 20}, 16, 16);
    for (const auto& [url, reason] : cases)
        transfers.add({url, "agent"});
    Journal journal;
    transfers.run(journal.events());
    EXPECT_EQ(journal.mostInFlight, static_cast<int>(cases.size())) << "not all at once";
    ASSERT_EQ(journal.ended.size(), cases.size());
    for (size_t i = 0; i < cases.size(); ++i) {
        const HttpResult& result = journal.ended[i];
        EXPECT_FALSE(result.ok) << cases[i].first;
        EXPECT_EQ(result.reason, cases[i].second) << cases[i].first << ": " << result.detail;
        EXPECT_FALSE(result.detail.empty()) << cases[i].first;
    }
}

} // namespace
} // namespace nimbrel
