#include "components/HttpFetch.h"

#include "support/HttpTestServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <stdexcept>
#include <string>

namespace nimbrel {
namespace {

using namespace std::chrono_literals;
using test::HttpRoute;
using test::HttpTestServer;

struct Fetched {
    HttpResult result;
    std::string body;
    size_t pieces = 0;
    size_t largestPiece = 0;
};

Fetched Fetch(const std::string& url, const HttpBounds& bounds = {5, 1, 2, 20}) {
    Fetched fetched;
    const HttpRequest request{url, "agent-under-test", "", "", [&](const char* data, size_t size) {
                                  fetched.body.append(data, size);
                                  ++fetched.pieces;
                                  fetched.largestPiece = std::max(fetched.largestPiece, size);
                              }};
    fetched.result = HttpGet(request, bounds);
    return fetched;
}

TEST(HttpFetch, DeliversTheBodyAndSendsTheAgentName) {
    HttpTestServer server;
    server.route(
        "/page",
        HttpRoute::Body("<html>hello</html>").withContentType("text/html; charset=Shift_JIS"));
    const Fetched fetched = Fetch(server.url("/page?x=1"));
    EXPECT_TRUE(fetched.result.ok) << fetched.result.reason;
    EXPECT_EQ(fetched.body, "<html>hello</html>");
    EXPECT_EQ(fetched.result.status, 200);
    EXPECT_EQ(fetched.result.contentType, "text/html; charset=Shift_JIS");
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0].target, "/page?x=1");
    EXPECT_EQ(server.requests()[0].headers.at("user-agent"), "agent-under-test");
}

TEST(HttpFetch, StreamsALargeBodyInPieces) {
    HttpTestServer server;
    server.route("/big", HttpRoute::Generated(5'000'000));
    const Fetched fetched = Fetch(server.url("/big"));
    ASSERT_TRUE(fetched.result.ok) << fetched.result.reason;
    EXPECT_EQ(fetched.body, test::GeneratedBody(5'000'000));
    EXPECT_GT(fetched.pieces, 10u);
    EXPECT_LE(fetched.largestPiece, 1u << 20);
}

TEST(HttpFetch, DecodesAGzipBody) {
    HttpTestServer server;
    const std::string page = "<html>" + std::string(20000, 'z') + "</html>";
    server.route("/gz", HttpRoute::Body(page).gzipped());
    const Fetched fetched = Fetch(server.url("/gz"));
    ASSERT_TRUE(fetched.result.ok) << fetched.result.reason;
    EXPECT_EQ(fetched.body, page);
    EXPECT_NE(server.requests()[0].headers.at("accept-encoding").find("gzip"), std::string::npos);
}

TEST(HttpFetch, FollowsARedirectChainButNotForever) {
    HttpTestServer server;
    server.route("/a", HttpRoute::Redirect("/b"));
    server.route("/b", HttpRoute::Redirect(server.url("/c"), 301));
    server.route("/c", HttpRoute::Body("arrived"));
    const Fetched fetched = Fetch(server.url("/a"));
    ASSERT_TRUE(fetched.result.ok) << fetched.result.reason;
    EXPECT_EQ(fetched.body, "arrived");
    EXPECT_EQ(fetched.result.finalUrl, server.url("/c"));

    server.route("/loop", HttpRoute::Redirect("/loop"));
    const Fetched looping = Fetch(server.url("/loop"));
    EXPECT_FALSE(looping.result.ok);
    EXPECT_LE(server.requests().size(), 3u + 11u); // the first request and at most 10 redirects
}

TEST(HttpFetch, RefusesRedirectsToOtherSchemes) {
    HttpTestServer server;
    server.route("/to-file", HttpRoute::Redirect("file:///etc/passwd"));
    server.route("/to-ftp", HttpRoute::Redirect("ftp://127.0.0.1/x"));
    for (const char* path : {"/to-file", "/to-ftp"}) {
        const Fetched fetched = Fetch(server.url(path));
        EXPECT_FALSE(fetched.result.ok) << path;
        EXPECT_EQ(fetched.body.find("root:"), std::string::npos);
    }
    EXPECT_FALSE(Fetch("file:///etc/passwd").result.ok);
}

TEST(HttpFetch, ErrorStatusIsAFailureNamedByItsCode) {
    HttpTestServer server;
    server.route("/missing", HttpRoute::Body("<html>no such page</html>", 404));
    server.route("/broken", HttpRoute::Body("oops", 500));
    const Fetched missing = Fetch(server.url("/missing"));
    EXPECT_FALSE(missing.result.ok);
    EXPECT_EQ(missing.result.reason, "HTTP 404");
    EXPECT_EQ(Fetch(server.url("/broken")).result.reason, "HTTP 500");
}

TEST(HttpFetch, WholePageTimeLimitEndsASlowTrickle) {
    HttpTestServer server;
    // Steady bytes, so the stall rule never fires; only the whole-page limit ends it.
    server.route("/slow", HttpRoute::Body(std::string(1000, 'x')).slow(200ms, 10));
    const Fetched fetched = Fetch(server.url("/slow"), {5, 1, 10, 2});
    EXPECT_FALSE(fetched.result.ok);
    EXPECT_EQ(fetched.result.reason, "not done within 2 s") << fetched.result.detail;
    EXPECT_LT(fetched.body.size(), 1000u) << "the whole page came";
}

TEST(HttpFetch, SinkErrorEndsTheTransferAndIsRaisedAgain) {
    HttpTestServer server;
    server.route("/big", HttpRoute::Generated(10'000'000));
    size_t received = 0;
    const HttpRequest request{server.url("/big"), "agent", "", "", [&](const char*, size_t size) {
                                  received += size;
                                  throw std::runtime_error("disk full");
                              }};
    EXPECT_THROW(HttpGet(request), std::runtime_error);
    EXPECT_LT(received, 10'000'000u);
}

TEST(HttpFetch, ValidatorsGetNotModifiedOnlyWhileTheyMatch) {
    HttpTestServer server;
    const std::string date = "Wed, 01 May 2024 10:00:00 GMT";
    server.route("/tagged", HttpRoute::Body("tagged page").withETag("\"v2\""));
    server.route("/dated", HttpRoute::Body("dated page").withLastModified(date));
    struct Case {
        std::string path, ifNoneMatch, ifModifiedSince;
        bool notModified;
    };
    const std::vector<Case> cases = {{"/tagged", "", "", false},
                                     {"/tagged", "\"v2\"", "", true},
                                     {"/tagged", "\"v1\"", "", false},
                                     {"/dated", "", date, true},
                                     {"/dated", "", "Tue, 30 Apr 2024 10:00:00 GMT", false}};
    for (const Case& c : cases) {
        std::string body;
        const HttpResult result =
            HttpGet({server.url(c.path), "agent", c.ifNoneMatch, c.ifModifiedSince,
                     [&](const char* data, size_t size) { body.append(data, size); }});
        SCOPED_TRACE(c.path + " " + c.ifNoneMatch + c.ifModifiedSince);
        EXPECT_TRUE(result.ok) << result.reason;
        EXPECT_EQ(result.notModified, c.notModified);
        EXPECT_EQ(body.empty(), c.notModified);
        EXPECT_EQ(result.status, c.notModified ? 304 : 200);
        const auto sent = server.requests().back().headers;
        EXPECT_EQ(sent.count("if-none-match"), c.ifNoneMatch.empty() ? 0u : 1u);
        EXPECT_EQ(sent.count("if-modified-since"), c.ifModifiedSince.empty() ? 0u : 1u);
    }
    const HttpResult fresh = HttpGet({server.url("/tagged"), "agent"});
    EXPECT_EQ(fresh.etag, "\"v2\"");
    EXPECT_EQ(HttpGet({server.url("/dated"), "agent"}).lastModified, date);
}

TEST(HttpFetch, RetryAfterIsAMomentForTooManyRequestsAndUnavailableOnly) {
    HttpTestServer server;
    server.route("/busy", HttpRoute::Body("later", 503).withHeader("Retry-After", "120"));
    server.route("/limited", HttpRoute::Body("slow down", 429)
                                 .withHeader("Retry-After", "Wed, 21 Oct 2037 07:28:00 GMT"));
    server.route("/garbled", HttpRoute::Body("?", 503).withHeader("Retry-After", "soon"));
    server.route("/gone", HttpRoute::Body("no", 404).withHeader("Retry-After", "120"));
    const std::time_t before = std::time(nullptr);
    const HttpResult busy = HttpGet({server.url("/busy"), "agent"});
    EXPECT_FALSE(busy.ok);
    EXPECT_EQ(busy.reason, "HTTP 503");
    ASSERT_TRUE(busy.retryAfter.has_value());
    EXPECT_GE(*busy.retryAfter, before + 120);
    EXPECT_LE(*busy.retryAfter, std::time(nullptr) + 120);
    const HttpResult limited = HttpGet({server.url("/limited"), "agent"});
    EXPECT_EQ(limited.reason, "HTTP 429");
    EXPECT_EQ(limited.retryAfter, std::optional<std::time_t>(2139722880));
    EXPECT_FALSE(HttpGet({server.url("/garbled"), "agent"}).retryAfter.has_value());
    EXPECT_FALSE(HttpGet({server.url("/gone"), "agent"}).retryAfter.has_value());
}

// The limit counts what the page becomes, not what crossed the wire: a bomb of a few hundred KB
// stops where a plain body of that size would.
TEST(HttpFetch, BodiesPastThePageLimitStopThereAndFail) {
    HttpTestServer server;
    server.route("/bomb", HttpRoute::GzipBomb(2 * limits::kPageBytes));
    server.route("/endless", HttpRoute::Generated(limits::kPageBytes + 4'000'000));
    server.route("/at-limit", HttpRoute::GzipBomb(limits::kPageBytes));
    for (const char* path : {"/bomb", "/endless"}) {
        uint64_t received = 0;
        const HttpResult result = HttpGet({server.url(path), "agent", "", "",
                                           [&](const char*, size_t size) { received += size; }});
        EXPECT_FALSE(result.ok) << path;
        EXPECT_EQ(result.reason, "page larger than 32 MB") << path;
        EXPECT_LE(received, limits::kPageBytes) << path;
        EXPECT_EQ(result.bodyBytes, received);
    }
    const HttpResult whole = HttpGet({server.url("/at-limit"), "agent"});
    EXPECT_TRUE(whole.ok) << whole.reason;
    EXPECT_EQ(whole.bodyBytes, limits::kPageBytes);
}

} // namespace
} // namespace nimbrel
