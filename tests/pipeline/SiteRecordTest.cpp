#include "pipeline/SiteFiles.h"

#include "platform/Errors.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace nimbrel::test {
namespace {

SiteRecord FullRecord() {
    SiteRecord record;
    record.etag = "\"33a64df5\"";
    record.lastModified = "Wed, 21 Oct 2015 07:28:00 GMT";
    record.retryAfter = 1714560000; // 2024-05-01T10:40:00Z
    record.status = FetchStatus::Deferred;
    record.reason = "HTTP 503";
    record.attempted = 1714559880;
    record.fetched = 1714473600;
    return record;
}

TEST(SiteRecord, WritesOneKeyValueLineEachAndReadsItBack) {
    const std::string text = FormatSiteRecord(FullRecord());
    EXPECT_EQ(text, "status: deferred\r\n"
                    "attempted: 2024-05-01T10:38:00Z\r\n"
                    "fetched: 2024-04-30T10:40:00Z\r\n"
                    "etag: \"33a64df5\"\r\n"
                    "last-modified: Wed, 21 Oct 2015 07:28:00 GMT\r\n"
                    "retry-after: 2024-05-01T10:40:00Z\r\n"
                    "reason: HTTP 503\r\n");
    EXPECT_EQ(ParseSiteRecord(text), FullRecord());
    for (FetchStatus status : {FetchStatus::Ok, FetchStatus::NotModified, FetchStatus::Failed,
                               FetchStatus::Deferred, FetchStatus::Stopped}) {
        SiteRecord record;
        record.status = status;
        EXPECT_EQ(ParseSiteRecord(FormatSiteRecord(record)).status, status)
            << FetchStatusName(status);
    }
    EXPECT_EQ(FormatSiteRecord(SiteRecord{}), ""); // nothing known, nothing written
}

TEST(SiteRecord, ReadsWhatItCanAndPassesOverTheRest) {
    struct Case {
        const char* text;
        SiteRecord expected;
    };
    SiteRecord tagged;
    tagged.etag = "W/\"x\"";
    SiteRecord failed;
    failed.status = FetchStatus::Failed;
    failed.reason = "host not found";
    SiteRecord dated;
    dated.fetched = 1714473600;
    const std::vector<Case> cases = {
        {"", {}},
        {"\x01\x02 garbage without a colon\n\xff\xfe", {}},
        // Lone LF line ends, blanks around keys and values, a key from a newer program.
        {"etag:  W/\"x\" \nshown-links: 14\n", tagged},
        {"status: failed\rreason: host not found\r", failed},
        {"status: exploded\r\n", {}},
        // Times that do not read are left unset, the others kept.
        {"attempted: yesterday\r\nfetched: 2024-04-30T10:40:00Z\r\nretry-after: "
         "2024-13-01T00:00:00Z\r\n",
         dated},
        {"fetched: 2024-04-30T10:40:00+02:00\r\n", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseSiteRecord(c.text), c.expected) << c.text;
}

TEST(SiteRecord, ValuesStayOnTheirLinesWhateverTheyHold) {
    SiteRecord record;
    record.reason = "two\r\nlines";
    record.etag = "\"a\"\nstatus: ok";
    const SiteRecord back = ParseSiteRecord(FormatSiteRecord(record));
    EXPECT_EQ(back.reason, "two  lines");
    EXPECT_EQ(back.etag, "\"a\" status: ok");
    EXPECT_EQ(back.status, FetchStatus::Never);
}

TEST(SiteRecord, LivesBesideThePageFileAndIsNeverAnErrorToRead) {
    TempProgramFolder folder;
    const std::string url = "example.org:8080/news/today";
    EXPECT_EQ(SiteRecordPath(url), folder.file("Sites/example.org...8080___news___today.rec"));
    EXPECT_EQ(ReadSiteRecord(url), SiteRecord{}); // never fetched
    WriteSiteRecord(url, FullRecord());
    EXPECT_EQ(ReadSiteRecord(url), FullRecord());
    size_t files = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator(folder.file("Sites")))
        ++files;
    EXPECT_EQ(files, 1u); // no temporary file left behind

    folder.write("Sites/example.org...8080___news___today.rec", std::string(1 << 20, 'x'));
    EXPECT_EQ(ReadSiteRecord(url), SiteRecord{});
    std::filesystem::remove_all(folder.file("Sites"));
    EXPECT_EQ(ReadSiteRecord(url), SiteRecord{});
    EXPECT_ANY_THROW(WriteSiteRecord(url, FullRecord()));
}

// A record that is there but cannot be read is the site's own trouble, and says which file.
TEST(SiteRecord, ARecordThatIsThereButCannotBeReadRaises) {
    TempProgramFolder folder;
    std::filesystem::create_directory(folder.file("Sites/a.example.rec"));
    try {
        ReadSiteRecord("a.example");
        ADD_FAILURE() << "a folder read as a record";
    } catch (const Exception& error) {
        EXPECT_EQ(error.message(), "The site's record Sites/a.example.rec cannot be read: Is a "
                                   "directory");
    }
    EXPECT_EQ(ReadSiteRecord("b.example"), SiteRecord{}) << "the site beside it has none";
}

} // namespace
} // namespace nimbrel::test
