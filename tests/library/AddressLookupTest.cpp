// What an address holds, told by content and fetched from a real server on 127.0.0.1: feeds of
// every format whatever they are served as, pages naming feeds (relative, <base>, several),
// pages naming none, and what is neither or cannot be had.
#include "library/AddressLookup.h"
#include "components/HttpFetch.h"
#include "library/FeedLink.h"
#include "platform/Limits.h"
#include "support/HttpTestServer.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace nimbrel;
using namespace nimbrel::test;
using Kind = AddressLookup::Kind;

namespace {

const char* const kRss2 = "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title> Daily\n"
                          " News </title><item><title>a</title></item></channel></rss>";
const char* const kRss091 = "<rss version=\"0.91\"><channel><title>Old</title></channel></rss>";
const char* const kRdf =
    "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\" "
    "xmlns=\"http://purl.org/rss/1.0/\"><channel rdf:about=\"x\"><title>RDF "
    "feed</title></channel><item rdf:about=\"i\"><title>i</title></item></rdf:RDF>";
const char* const kAtom10 = "<feed xmlns=\"http://www.w3.org/2005/Atom\"><title type=\"text\">"
                            "Atom One</title><entry><title>e</title></entry></feed>";
const char* const kAtom03 = "<feed version=\"0.3\" xmlns=\"http://purl.org/atom/ns#\"><title>"
                            "Atom Old</title></feed>";
// Each entity ten of the one before: the title would expand to 10^9 "lol"s.
const std::string kEntityBomb = [] {
    std::string dtd = "<!DOCTYPE rss [<!ENTITY l0 \"lol\">";
    for (int i = 1; i < 10; ++i) {
        dtd += "<!ENTITY l" + std::to_string(i) + " \"";
        for (int j = 0; j < 10; ++j)
            dtd += "&l" + std::to_string(i - 1) + ";";
        dtd += "\">";
    }
    return dtd + "]><rss><channel><title>Bomb &l9;</title></channel></rss>";
}();
const std::string kLongTitle = "<rss><channel><title>" + Repeated("\xC3\xA9", 150) +
                               Repeated("x", 150) + "</title></channel></rss>";
const std::string kLongTitleCut = Repeated("\xC3\xA9", 150) + Repeated("x", 50);
// An unescaped "&" makes it ill-formed; its root still says what it is.
const char* const kBrokenRss = "<rss><channel><title>Broken</title><item><title>Q&A</title>"
                               "</item></channel></rss>";

std::string Page(const std::string& head, const std::string& body = "<p>text</p>") {
    return "<!DOCTYPE html><html><head><title>The  Page</title>" + head + "</head><body>" + body +
           "</body></html>";
}

std::string RssLink(const std::string& href, const std::string& title = "") {
    return "<link rel=\"alternate\" type=\"application/rss+xml\" title=\"" + title + "\" href=\"" +
           href + "\">";
}

class AddressLookupTest : public ::testing::Test {
  protected:
    void SetUp() override { SetDefaultHttpBounds({5, 1024, 3, 20}); }
    void TearDown() override { SetDefaultHttpBounds({}); }
    AddressLookup Look(const std::string& path) { return LookUpAddress(server.url(path)); }
    HttpTestServer server;
};

TEST_F(AddressLookupTest, FeedsAreKnownByContentWhateverTheyAreServedAs) {
    struct Case {
        const char* body;
        const char* contentType;
        const char* type;
        const char* title;
    } cases[] = {
        {kRss2, "text/html", "rss", "Daily News"},
        {kRss091, "text/plain", "rss", "Old"},
        {kRdf, "application/rdf+xml", "rss", "RDF feed"},
        {kAtom10, "application/octet-stream", "atom", "Atom One"},
        {kAtom03, "application/atom+xml", "atom", "Atom Old"},
        {kBrokenRss, "application/rss+xml", "rss", "Broken"},
        {kEntityBomb.c_str(), "text/xml", "rss", "Bomb"},
        // A title offered as a site's name is cut at 200 letters, never inside one.
        {kLongTitle.c_str(), "text/xml", "rss", kLongTitleCut.c_str()},
    };
    for (const Case& c : cases) {
        server.route("/f", HttpRoute::Body(c.body).withContentType(c.contentType));
        const AddressLookup found = Look("/f");
        ASSERT_EQ(found.kind, Kind::Feed) << c.body << "\n" << found.message;
        EXPECT_EQ(found.feed.type, c.type) << c.body;
        EXPECT_EQ(found.feed.title, c.title) << c.body;
        EXPECT_EQ(found.address, server.url("/f"));
    }
}

TEST_F(AddressLookupTest, APageNamesItsFeedsResolvedAgainstWhereItEnded) {
    server.route("/old", HttpRoute::Redirect("/news/index.html"));
    server.route("/news/index.html",
                 HttpRoute::Body(Page(RssLink("feed.xml", "Main") +
                                      "<link rel=\"Alternate  feed\" "
                                      "type=\"application/atom+xml; charset=utf-8\" "
                                      "href=\"/atom.xml\">" +
                                      RssLink("feed.xml") + // the same address again
                                      "<link rel=\"stylesheet\" type=\"application/rss+xml\" "
                                      "href=\"not-a-feed.xml\">" +
                                      "<link rel=\"alternate\" type=\"text/html\" href=\"/fr\">")));
    const AddressLookup found = Look("/old");
    ASSERT_EQ(found.kind, Kind::PageWithFeeds) << found.message;
    ASSERT_EQ(found.links.size(), 2u);
    EXPECT_EQ(found.links[0].url, server.url("/news/feed.xml"));
    EXPECT_EQ(found.links[0].type, "rss");
    EXPECT_EQ(found.links[0].title, "Main");
    EXPECT_EQ(found.links[1].url, server.url("/atom.xml"));
    EXPECT_EQ(found.links[1].type, "atom");
    EXPECT_EQ(found.pageTitle, "The Page");
}

TEST_F(AddressLookupTest, ABaseElementMovesWhereRelativeFeedLinksPoint) {
    server.route("/p", HttpRoute::Body(Page("<base href=\"/site/\">" + RssLink("rss"))));
    const AddressLookup found = Look("/p");
    ASSERT_EQ(found.kind, Kind::PageWithFeeds);
    EXPECT_EQ(found.links.at(0).url, server.url("/site/rss"));
}

// A page that names thousands of feeds (twice each) costs what reading it costs; the first
// hundred are listed and the count says how many there are. A base after them still counts.
TEST_F(AddressLookupTest, APageOfManyFeedLinksListsTheFirstHundredAndCountsThemAll) {
    std::string links;
    for (int pass = 0; pass < 2; ++pass)
        for (int i = 0; i < 5000; ++i)
            links += RssLink(std::to_string(i), std::string(300, 't'));
    server.route("/many", HttpRoute::Body(Page(links + "<base href=\"/feeds/\">")));
    const AddressLookup found = Look("/many");
    ASSERT_EQ(found.kind, Kind::PageWithFeeds);
    EXPECT_EQ(found.linkCount, 5000u);
    ASSERT_EQ(found.links.size(), kListedFeedLinks);
    EXPECT_EQ(found.links.front().url, server.url("/feeds/0"));
    EXPECT_EQ(found.links.back().url, server.url("/feeds/99"));
    EXPECT_EQ(found.pageTitle, "The Page");
}

TEST_F(AddressLookupTest, APageWithoutFeedsKeepsItsTextForTheRuleEditor) {
    server.route("/plain", HttpRoute::Body(Page("", "<h2>Story \xC3\xA9</h2>")));
    const AddressLookup found = Look("/plain");
    ASSERT_EQ(found.kind, Kind::PageWithoutFeed);
    EXPECT_NE(found.pageText.find("<h2>Story \xC3\xA9</h2>"), std::string::npos);
    EXPECT_EQ(found.finalUrl, server.url("/plain"));
}

TEST_F(AddressLookupTest, WhatCannotBeUsedIsSaidPlainly) {
    server.route("/png", HttpRoute::Body("\x89PNG\r\n\x1a\n....").withContentType("image/png"));
    server.route("/gone", HttpRoute::Body("missing", 404));
    server.route("/huge", HttpRoute::Generated(limits::kFoundPageBytes + 1));
    const std::string refused = "http://127.0.0.1:" + std::to_string(UnusedLocalPort()) + "/";
    struct Case {
        std::string address;
        std::string says;
    } cases[] = {
        {server.url("/png"), "is neither a feed nor a web page (it is served as image/png)"},
        {server.url("/gone"), "HTTP 404"},
        {server.url("/huge"), "larger than 16 MB"},
        {refused, "Could not fetch " + refused},
        {"", "Type the address"},
        {"ftp://example.org/feed", "Only http and https"},
        {"javascript:alert(1)", "Only http and https"},
        {"data:text/xml,<rss/>", "Only http and https"},
        {"file:/etc/passwd", "Only http and https"},
        {"http://exa mple.org/", "cannot hold blanks"},
    };
    for (const Case& c : cases) {
        const AddressLookup found = LookUpAddress(c.address);
        EXPECT_EQ(found.kind, Kind::Failed) << c.address;
        EXPECT_NE(found.message.find(c.says), std::string::npos) << found.message;
        EXPECT_FALSE(found.cancelled);
    }
}

TEST_F(AddressLookupTest, CancelEndsAFetchThatWaitsForAStalledServer) {
    server.route("/stall", HttpRoute::Body(std::string(1000, 'x')).stallAfter(10));
    std::atomic<bool> cancel{false};
    // Cancelled once the server has sent what it sends before stalling; left alone, the fetch
    // would end at the stall time-out, not cancelled.
    std::thread canceller([&] {
        EXPECT_TRUE(server.waitForRequests(
            [](const auto& requests) { return !requests.empty() && requests[0].bodyBytes == 10; }));
        cancel = true;
    });
    const AddressLookup found = LookUpAddress(server.url("/stall"), &cancel);
    canceller.join();
    EXPECT_EQ(found.kind, Kind::Failed);
    EXPECT_TRUE(found.cancelled);
}

// What a browser hands over as a feed link: the address it names, or why it cannot be added.
TEST(FeedLinkTest, FeedSchemesNameWebAddressesAndFilesOrOtherSchemesAreRefused) {
    struct Case {
        const char* link;
        const char* address;
        const char* problemStart; // "" when the link can be looked up
    };
    for (const Case& c : {
             Case{"feed://news.example/rss", "http://news.example/rss", ""},
             Case{"FEED://news.example/rss", "http://news.example/rss", ""},
             Case{"feed:https://news.example/atom.xml", "https://news.example/atom.xml", ""},
             Case{"feed:http://news.example/rss?x=1", "http://news.example/rss?x=1", ""},
             Case{" https://news.example/feed\n", "https://news.example/feed", ""},
             Case{"news.example:8080/feed", "news.example:8080/feed", ""},
             Case{"news.example/feed", "news.example/feed", ""},
             Case{"/home/me/Downloads/feed.rss", "/home/me/Downloads/feed.rss",
                  "Nimbrel follows feeds and pages by their web address"},
             Case{"file:///tmp/feed.xml", "file:///tmp/feed.xml",
                  "Nimbrel follows feeds and pages by their web address"},
             Case{"feed:file:///etc/passwd", "file:///etc/passwd",
                  "Nimbrel follows feeds and pages by their web address"},
             Case{"javascript:alert(1)", "javascript:alert(1)", "Only http and https"},
             Case{"feed:ftp://news.example/rss", "ftp://news.example/rss", "Only http and https"},
             Case{"feed:", "", "Type the address"},
             Case{"https://news.example/a b", "https://news.example/a b", "An address cannot"},
         }) {
        EXPECT_EQ(FeedLinkAddress(c.link), c.address) << c.link;
        EXPECT_TRUE(FeedLinkProblem(c.link).starts_with(c.problemStart))
            << c.link << ": " << FeedLinkProblem(c.link);
        if (!*c.problemStart) {
            EXPECT_EQ(FeedLinkProblem(c.link), "") << c.link;
        }
    }
}

} // namespace
