// What the display step adds to the digest around the sites' blocks: the new-item marks and
// the record they are read from, the frame's notes and origin link, and the summary line.
#include "components/ItemMarks.h"
#include "pipeline/DigestSummary.h"
#include "pipeline/SiteFiles.h"
#include "pipeline/SiteFrame.h"
#include "platform/LocalTime.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace nimbrel;

namespace {

std::string ClockText(std::time_t moment) {
    return LocalTimeText(moment, "%H:%M");
}

// Noon of a day in local time: a minute before or two after is still the same day.
std::time_t LocalNoon() {
    std::tm parts{};
    parts.tm_year = 2024 - 1900;
    parts.tm_mon = 4;
    parts.tm_mday = 1;
    parts.tm_hour = 12;
    parts.tm_isdst = -1;
    return std::mktime(&parts);
}

TEST(ItemMarks, ItemsWhoseFirstLinkIsNewGetTheClass) {
    const std::vector<std::string> before = {"http://a.example/1", "http://a.example/2"};
    const struct {
        const char* block;
        const char* marked; // nullptr: comes back byte for byte
        size_t newItems;
    } cases[] = {
        {"<ol><li class=\"item\"><a href=\"http://a.example/1\">1</a></li></ol>", nullptr, 0},
        {"<ol><li class=\"item\"><a href=\"http://a.example/3\">3</a></li>"
         "<li class=\"item\"><a href=\"http://a.example/2\">2</a></li></ol>",
         "<ol><li class=\"item new\"><a href=\"http://a.example/3\">3</a></li>"
         "<li class=\"item\"><a href=\"http://a.example/2\">2</a></li></ol>",
         1},
        // The first link counts, however deep; links are read as browsers read them.
        {"<div class=\"x item\"><p><span><a href=\" http://a.example/\n1 \">1</a></span></p>"
         "<a href=\"http://a.example/9\">9</a></div>",
         nullptr, 0},
        // An item that is itself a link; an anchor without href is not a link.
        {"<a class=\"item\" href=\"http://a.example/4\">4</a><p class=\"item\"><a name=\"n\">x</a>"
         "<a href=\"http://a.example/5\">5</a></p>",
         "<a class=\"item new\" href=\"http://a.example/4\">4</a><p class=\"item new\">"
         "<a name=\"n\">x</a><a href=\"http://a.example/5\">5</a></p>",
         2},
        // Only the class token "item" makes an item; an item without a link is never new.
        {"<p class=\"item-link\"><a href=\"http://a.example/6\">6</a></p><p class=\"item\">no "
         "link</p>",
         nullptr, 0},
        // Already marked by the stylesheet: counted, not marked twice; Japanese text stays.
        {"<p class=\"item new\"><a href=\"http://a.example/7\">篠島は、愛知県</a></p>",
         "<p class=\"item new\"><a href=\"http://a.example/7\">篠島は、愛知県</a></p>", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.block);
        const MarkedBlock result = MarkNewItems(c.block, &before);
        EXPECT_EQ(result.block, c.marked ? c.marked : c.block);
        EXPECT_EQ(result.newItems, c.newItems);
    }
}

TEST(ItemMarks, FirstDigestMarksNothingButCollectsTheLinksOnce) {
    const std::string block =
        "<ul><li class=\"item\"><a href=\"http://a.example/1\"><img src=\"p.png\">1</a></li>"
        "<li class=\"item\"><a href=\"http://a.example/2\">2</a></li>"
        "<li class=\"item\"><a href=\"http://a.example/1\">again</a></li></ul>";
    const MarkedBlock result = MarkNewItems(block, nullptr);
    EXPECT_EQ(result.block, block);
    EXPECT_EQ(result.newItems, 0u);
    EXPECT_EQ(result.links, (std::vector<std::string>{"http://a.example/1", "http://a.example/2"}));
    const std::vector<std::string> none;
    EXPECT_EQ(MarkNewItems(block, &none).newItems, 3u);
}

TEST(LastShownRecord, RoundTripsAndReadsWhatOthersWrote) {
    const LastShown shown{1714566896,
                          {"http://a.example/1", "http://a.example/2?x=1&y=2"},
                          "<div>\r\n\r\nblank lines and link: lines stay\nlink: x</div>"};
    EXPECT_EQ(ParseLastShown(FormatLastShown(shown)), shown);
    EXPECT_EQ(FormatLastShown({0, {"http://a.example/\r\nx"}, "b"}),
              "link: http://a.example/  x\r\n\r\nb");
    const LastShown lf = ParseLastShown("other: x\nfetched: nonsense\nlink:   http://z/  \n"
                                        "no colon\n\n<p>b</p>");
    EXPECT_EQ(lf.fetched, 0);
    EXPECT_EQ(lf.links, std::vector<std::string>{"http://z/"});
    EXPECT_EQ(lf.block, "<p>b</p>");
    EXPECT_EQ(ParseLastShown(""), LastShown{});
}

TEST(LastShownRecord, MissingFileIsNoRecordAndAHugeBlockIsNotKept) {
    test::TempProgramFolder folder;
    EXPECT_FALSE(ReadLastShown("a.example/feed"));
    WriteLastShown("a.example/feed", {5, {"http://a.example/1"}, "<p>kept</p>"});
    EXPECT_EQ(ReadLastShown("a.example/feed"),
              (LastShown{5, {"http://a.example/1"}, "<p>kept</p>"}));
    EXPECT_TRUE(folder.exists("Sites/a.example___feed.dig"));
    WriteLastShown("a.example/feed", {5, {"http://a.example/1"}, std::string(3u << 20, 'x')});
    const auto read = ReadLastShown("a.example/feed");
    ASSERT_TRUE(read);
    EXPECT_EQ(read->links, std::vector<std::string>{"http://a.example/1"});
    EXPECT_EQ(read->block, "");
}

TEST(SiteFrameText, NotesSayWhenWhyAndWhatIsShown) {
    const std::time_t now = LocalNoon();
    const std::time_t earlier = now - 60;
    const std::time_t lastYear = now - 400 * 24 * 3600;
    const std::string clock = ClockText(earlier);
    EXPECT_EQ(FailureNote(earlier, "timed out", earlier, 0, now),
              "Could not update at " + clock + ": timed out. Showing the page from " + clock + ".");
    EXPECT_EQ(FailureNote(earlier, "The stylesheet x.xsl failed.", 0, 0, now),
              "Could not update at " + clock + ": The stylesheet x.xsl failed.");
    EXPECT_EQ(FailureNote(0, "HTTP 503", 0, now + 120, now),
              "Could not update: HTTP 503. Next try after " + ClockText(now + 120) + ".");
    // A moment on another day shows its date.
    EXPECT_NE(FailureNote(lastYear, "x", 0, 0, now).find(" at 20"), std::string::npos);
}

TEST(SiteFrameText, NameLinksToTheOriginAndEverythingIsEscaped) {
    const struct {
        const char* url;
        const char* origin;
    } origins[] = {
        {"news.example.com/a/b?c", "http://news.example.com/"},
        {"HTTPS://News.example.com:8443/feed", "https://News.example.com:8443/"},
        {"127.0.0.1:8080/x", "http://127.0.0.1:8080/"},
        {"http://[::1]:8080/x", "http://[::1]:8080/"},
        {"ftp://files.example/x", ""},
        {"", ""},
    };
    for (const auto& o : origins)
        EXPECT_EQ(SiteOrigin(o.url), o.origin) << o.url;

    SiteFrame frame;
    frame.name = "A \"<b>\" & 'c'";
    frame.url = "a.example/x";
    frame.position = 3;
    frame.status = "failed";
    frame.note = "Could not update: <script>.";
    const std::string html = FrameHtml(frame, LocalNoon());
    EXPECT_EQ(html, "<div class=\"site-frame site-failure\" id=\"site-3\" data-site=\"A "
                    "&quot;&lt;b&gt;&quot; &amp; &#39;c&#39;\" data-status=\"failed\" "
                    "data-fetched=\"\"><div class=\"site-frame-head\"><a class=\"site-frame-name\" "
                    "href=\"http://a.example/\">A &quot;&lt;b&gt;&quot; &amp; &#39;c&#39;</a></div>"
                    "<p class=\"site-frame-note\">Could not update: &lt;script&gt;.</p></div>");
    frame.status = "ok";
    frame.note.clear();
    frame.fetched = 1714566896;
    frame.block = "<p>block</p>";
    const std::string shown = FrameHtml(frame, frame.fetched);
    EXPECT_NE(shown.find("data-fetched=\"2024-05-01T12:34:56Z\""), std::string::npos) << shown;
    EXPECT_NE(shown.find("updated <time datetime=\"2024-05-01T12:34:56Z\">" +
                         ClockText(frame.fetched) + "</time></span></div><p>block</p></div>"),
              std::string::npos)
        << shown;
}

TEST(DigestSummaryLine, PlacedRightAfterTheBodyStartTag) {
    const struct {
        const char* layout;
        const char* placed;
    } cases[] = {
        {"<html><body><table>", "<html><body>[S]<table>"},
        {"<HTML><BODY class=\"a>b\" id='c>d'><p>", "<HTML><BODY class=\"a>b\" id='c>d'>[S]<p>"},
        {"<bodyx><body\n>t", "<bodyx><body\n>[S]t"},
        {"<!DOCTYPE html><table>", "<!DOCTYPE html>[S]<table>"},
        {"<table>", "[S]<table>"},
        {"", "[S]"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PlaceSummary(c.layout, "[S]"), c.placed) << c.layout;
}

// A site whose URL came earlier shows the earlier site's frame, and counts as it.
TEST(DigestSummaryLine, TallyCountsWhatThePageShows) {
    DigestTally tally;
    EXPECT_TRUE(tally.add("b.example", "ok", 1));
    EXPECT_TRUE(tally.add("a.example", "failed", 2));
    EXPECT_FALSE(tally.add("a.example", "ok", 0));
    EXPECT_TRUE(tally.add("c.example", "failed", 0));
    EXPECT_EQ(tally.counts().sites, 4u);
    EXPECT_EQ(tally.counts().failed, 3u);
    EXPECT_EQ(tally.counts().newItems, 5u);
    EXPECT_EQ(tally.counts().firstFailedId, "site-2");
}

} // namespace
