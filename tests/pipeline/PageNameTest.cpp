#include "pipeline/SiteFiles.h"

#include <gtest/gtest.h>

using namespace nimbrel;

TEST(PageFileStem, NamesFilesAsTheFetchThreadStoresThem) {
    EXPECT_EQ(PageFileStem("host/news/today"), "host___news___today");
    EXPECT_EQ(PageFileStem("host:8080/news"), "host...8080___news");
    EXPECT_EQ(PageFileStem("http://example.org/a"), "http...______example.org___a");
    EXPECT_EQ(PageFileName("host/news/today"), "host___news___today.dat");
}

TEST(PageFileStem, UrlWithoutSlashIsKeptAsWritten) {
    EXPECT_EQ(PageFileStem("host:8080"), "host:8080");
    EXPECT_EQ(PageFileStem("example.org"), "example.org");
    EXPECT_EQ(PageFileStem(""), "");
}

TEST(PageFileStem, ColonsAreReplacedAfterSlashesSoNoSlashSurvives) {
    // "..." from a colon must not be mistaken for a slash replacement or vice versa.
    EXPECT_EQ(PageFileStem("a:/b"), "a...___b");
    EXPECT_EQ(PageFileStem("../../etc/passwd").find('/'), std::string::npos);
}

TEST(PageFileStem, StemsThatFitStayAndLongerOnesAreShortenedApart) {
    // 235 bytes: room for the longest ending (".dig.next") and a temporary file's ending.
    const std::string fits = "h/" + std::string(231, 'q');
    EXPECT_EQ(PageFileStem(fits), "h___" + std::string(231, 'q'));
    EXPECT_NE(PageFileStem(fits + "q"), "h___" + std::string(232, 'q'));
    const std::string base = "feeds.example/rss?" + std::string(300, 'p') + "&token=";
    const std::string first = PageFileStem(base + "1");
    EXPECT_EQ(first.size(), 235u);
    EXPECT_LE(first.size() + std::string(".dig.next.tmp-XXXXXX").size(), 255u);
    EXPECT_EQ(first.rfind("feeds.example___rss?ppp", 0), 0u);
    EXPECT_EQ(first, PageFileStem(base + "1"));
    EXPECT_NE(first, PageFileStem(base + "2"));
    EXPECT_NE(first, PageFileStem(fits));
    // A long name of multi-byte letters is never cut inside a letter.
    std::string letters;
    for (int i = 0; i < 200; ++i)
        letters += "\xC3\xA9";
    const std::string shortened = PageFileStem("x/" + letters);
    ASSERT_LE(shortened.size(), 235u);
    const size_t tilde = shortened.rfind('~');
    EXPECT_EQ((tilde - 4) % 2, 0u) << "after \"x___\" the head holds whole two-byte letters";
}
