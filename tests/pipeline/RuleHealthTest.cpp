// When a site's rule counts as broken and what the digest says of it; and links as the page
// means them: against its <base href>, with the bytes the page gave them, through a cleaner
// that never lets a control character make the page unreadable.
#include "components/BlockLinks.h"
#include "components/TidyCOM_TLB.h"
#include "pipeline/BrokenRule.h"
#include "pipeline/DigestSummary.h"
#include "pipeline/PageBase.h"
#include "platform/LocalTime.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace nimbrel;

namespace {

std::time_t LocalNoon() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    local.tm_hour = 12;
    local.tm_min = 0;
    local.tm_sec = 0;
    return std::mktime(&local);
}

TEST(BrokenRule, OnlyAPageThatCameAndShowsNothingAfterItemsIsABrokenRule) {
    const LastShown before{100, {"http://a.example/1", "http://a.example/2"}, "<p>good</p>"};
    const LastShown empty{100, {}, "<p>nothing</p>"};
    const struct {
        FetchStatus status;
        size_t links;
        std::optional<LastShown> before;
        bool broken;
    } cases[] = {
        {FetchStatus::Ok, 0, before, true},
        {FetchStatus::NotModified, 0, before, true}, // the rule itself changed
        {FetchStatus::Ok, 3, before, false},
        {FetchStatus::Ok, 0, empty, false},        // a quiet site is no broken one
        {FetchStatus::Ok, 0, std::nullopt, false}, // nor a first digest
        {FetchStatus::Failed, 0, before, false},   // no page came: the fetch's note says so
        {FetchStatus::Deferred, 0, before, false},
        {FetchStatus::Stopped, 0, before, false},
        {FetchStatus::Never, 0, before, false},
    };
    for (const auto& c : cases) {
        SiteRecord fetch;
        fetch.status = c.status;
        EXPECT_EQ(RuleFoundNothing(fetch, c.links, c.before), c.broken)
            << FetchStatusName(c.status) << " " << c.links;
    }
}

TEST(BrokenRule, TheNoteSaysWhenThePageCameAndWhatTheRuleFoundBefore) {
    const std::time_t now = LocalNoon();
    EXPECT_EQ(BrokenRuleNote(now - 60, 26, now - 900, now),
              "The page came at " + ClockOrDateText(now - 60, now) +
                  ", but the site's rule found nothing in it (it found 26 items at " +
                  ClockOrDateText(now - 900, now) + "). The site may have changed its layout.");
    EXPECT_EQ(BrokenRuleNote(0, 1, 0, now),
              "The page came, but the site's rule found nothing in it (it found 1 item). The "
              "site may have changed its layout.");

    // A page not modified came when it was asked for; the frame shows the last good block.
    SiteRecord fetch;
    fetch.status = FetchStatus::NotModified;
    fetch.attempted = now - 30;
    fetch.fetched = now - 5000;
    SiteFrame frame;
    frame.status = "not-modified";
    ShowBrokenRule(frame, fetch, {now - 900, {"l1", "l2"}, "<ol>good</ol>"}, now - 7000, now);
    EXPECT_EQ(frame.status, "broken");
    EXPECT_EQ(frame.note, BrokenRuleNote(now - 30, 2, now - 900, now));
    EXPECT_EQ(frame.block, "<ol>good</ol>");
    EXPECT_EQ(frame.fetched, now - 900);
    EXPECT_EQ(FrameHtml(frame, now).rfind("<div class=\"site-frame site-broken\"", 0), 0u);
}

TEST(BrokenRule, TheSummaryCountsBrokenRulesAndLinksToTheFirst) {
    DigestTally tally;
    tally.add("a.example", "ok", 0);
    tally.add("b.example", "broken", 0);
    tally.add("c.example", "failed", 0);
    tally.add("d.example", "broken", 0);
    tally.add("b.example", "ok", 0); // shows b's frame again
    EXPECT_EQ(tally.counts().broken, 3u);
    EXPECT_EQ(tally.counts().firstBrokenId, "site-2");
    const std::string summary = DigestSummary(tally.counts(), LocalNoon());
    EXPECT_NE(summary.find("data-failed=\"1\" data-stopped=\"0\" data-broken=\"3\" data-new=\"0\""),
              std::string::npos)
        << summary;
    EXPECT_NE(summary.find("<a class=\"digest-broken\" href=\"#site-2\">3 rules found nothing</a>"),
              std::string::npos)
        << summary;
    DigestCounts none;
    none.sites = 1;
    const std::string quiet = DigestSummary(none, LocalNoon());
    EXPECT_EQ(quiet.find("digest-broken"), std::string::npos) << "named only when there are some";
}

TEST(PageLinks, RelativeLinksLeadFromThePagesBase) {
    const struct {
        std::string head;
        const char* base;
    } cases[] = {
        {"", "http://site.example/news/today"},
        {"<base href=\"//forum.example\">", "http://forum.example"},
        {"<base target=_top><base href=\"/deep/\">", "http://site.example/deep/"},
        {"<base href=\"../up/\">", "http://site.example/up/"},
        {"<BASE HREF=\"/Upper/\">", "http://site.example/Upper/"},
        {"<base href=\"https://other.example/x/\">", "https://other.example/x/"},
        {"<base href=\"javascript:alert(1)\">", "http://site.example/news/today"},
        {"<base href=\"  \">", "http://site.example/news/today"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PageLinkBase("<html><head>" + c.head + "</head><body><base href=/no/></body>",
                               "site.example/news/today"),
                  c.base)
            << c.head;

    test::TempProgramFolder folder;
    folder.write("Sites/site.example___p.dat", "<head><base href=\"/b/\"></head>");
    EXPECT_EQ(SiteLinkBase("site.example/p", "html"), "http://site.example/b/");
    EXPECT_EQ(SiteLinkBase("site.example/p", "rss"), "http://site.example/p");
    EXPECT_EQ(SiteLinkBase("site.example/none", "html"), "http://site.example/none");
}

TEST(PageLinks, ABlockRewrittenForItsLinksKeepsEveryLinksBytes) {
    // A relative link makes the block be rewritten; the absolute ones keep what the page wrote.
    const std::string block =
        "<div><a href=\"rel\">r</a><a href=\"http://x.example/RS=^A|b[c]\">"
        "x</a><a href=\"http://x.example/caf\xC3\xA9?a=1&amp;b=\xE2\x80\x9C\">"
        "y</a><img src=\"/p q.png\"></div>";
    const std::string resolved = ResolveBlockLinks(block, "http://site.example/");
    EXPECT_NE(resolved.find("href=\"http://site.example/rel\""), std::string::npos) << resolved;
    EXPECT_NE(resolved.find("href=\"http://x.example/RS=^A|b[c]\""), std::string::npos) << resolved;
    EXPECT_NE(resolved.find("href=\"http://x.example/caf\xC3\xA9?a=1&amp;b=\xE2\x80\x9C\""),
              std::string::npos)
        << resolved;
    EXPECT_NE(resolved.find("src=\"http://site.example/p%20q.png\""), std::string::npos)
        << resolved;
    EXPECT_EQ(resolved.find("nimbrel"), std::string::npos) << "no stand-in is left behind";
}

TEST(PageLinks, ACharacterReferenceToAControlCharacterCannotSpoilTheCleanedPage) {
    test::TempProgramFolder folder;
    folder.write("Work/cut.dat", "<div class=\"piece\"><a href=\"/x\" data-t=\"a&#3;b\">one&#1;"
                                 "</a>\x02</div>");
    auto cleaner = tidycom::TidyObject::Create();
    cleaner->options().setSwitch(tidycom::kFirstFixedSwitch, true);
    cleaner->options().setSwitch(tidycom::kSecondFixedSwitch, true);
    cleaner->options().setSwitch(tidycom::kPerSiteSwitch, false);
    const std::string cleaned = cleaner->cleanFile(folder.file("Work/cut.dat"));
    for (const char c : cleaned)
        EXPECT_FALSE(static_cast<unsigned char>(c) < 0x20 && c != '\n' && c != '\r' && c != '\t')
            << static_cast<int>(c);
    EXPECT_NE(cleaned.find("data-t=\"ab\""), std::string::npos) << cleaned;
}

} // namespace
