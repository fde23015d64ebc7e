// What the desktop program says of a digest outside the page: the notice of new stories and the
// tray icon's tooltip.
#include "app/NewStories.h"
#include "platform/LocalTime.h"

#include <gtest/gtest.h>

using namespace nimbrel;

namespace {

TEST(NewStoriesTest, NoticeNamesTheSitesWithTheMostNewStoriesFirst) {
    struct Case {
        std::vector<SiteNews> news;
        std::string notice;
    };
    for (const Case& c : {
             Case{{}, ""},
             Case{{{"Quiet", 0}}, ""},
             Case{{{"Circuit Weekly", 2}, {"The Daily Courier", 3}},
                  "5 new stories: The Daily Courier 3, Circuit Weekly 2"},
             Case{{{"One", 1}}, "1 new story: One 1"},
             // Ties keep the page's order; a site without new stories is not named.
             Case{{{"B", 1}, {"Quiet", 0}, {"A", 1}, {"C", 4}}, "6 new stories: C 4, B 1, A 1"},
             Case{{{"A", 1}, {"B", 2}, {"C", 3}, {"D", 4}, {"E", 5}},
                  "15 new stories: E 5, D 4, C 3, B 2, and 1 other site"},
             Case{{{"A", 9}, {"B", 1}, {"C", 1}, {"D", 1}, {"E", 1}, {"F", 1}},
                  "14 new stories: A 9, B 1, C 1, D 1, and 2 other sites"},
         }) {
        EXPECT_EQ(NewStoriesNotice(c.news), c.notice);
    }
}

TEST(NewStoriesTest, TooltipCountsTheNewStoriesAndTheFailedSitesOfTheDigest) {
    DisplayReport report;
    report.madeAt = 1'800'000'000;
    const std::string clock = LocalTimeText(report.madeAt, "%H:%M");
    ASSERT_EQ(clock.size(), 5u);
    EXPECT_EQ(DigestTooltip(report), "0 new \u00B7 updated " + clock);
    report.news = {{"A", 3}, {"B", 2}};
    report.counts.failed = 1;
    EXPECT_EQ(DigestTooltip(report), "5 new \u00B7 1 failed \u00B7 updated " + clock);
}

} // namespace
