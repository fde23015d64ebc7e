#include "pipeline/PageName.h"

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
