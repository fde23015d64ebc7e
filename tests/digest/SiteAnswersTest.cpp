// What a server answers is read with suspicion, and so is what a record says: one cycle of
// nimbrel-digest on sites that answer everything but a page, each keeping its last good page
// and saying why it failed, and a record whose retry-after lies a thousand years ahead.
#include "digest/DigestProcess.h"
#include "pipeline/SiteFiles.h"
#include "support/HttpTestServer.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <ctime>

namespace nimbrel::test {
namespace {

struct Answer {
    std::string name;
    std::string url;      // as written in the selection
    std::string status;   // the progress line's end status (its beginning)
    FetchStatus recorded; // the record's status afterwards
    bool keepsPage;       // the page from before is still the page file
};

TEST(SiteAnswers, OnlyAPageIsAPageAndEveryOtherAnswerFailsWithItsReason) {
    TempProgramFolder folder;
    HttpTestServer server;
    WriteCycleFiles(folder);
    server.route("/moved", HttpRoute::Body("<html>no Location</html>", 302));
    server.route("/stale", HttpRoute::Body("", 304));
    server.route("/teapot", HttpRoute::Body("short and stout", 418));
    server.route("/created", HttpRoute::Body(BoldPage("created"), 201));
    server.route("/huge-etag", HttpRoute::Body(BoldPage("x")).withETag(std::string(1 << 20, 'e')));
    const std::string host = server.hostPort();
    const std::vector<Answer> answers = {
        {"Moved", host + "/moved", "Failed: HTTP 302 without an address to follow",
         FetchStatus::Failed, true},
        {"Stale", host + "/stale", "Failed: HTTP 304 to a request for the whole page",
         FetchStatus::Failed, true},
        {"Teapot", host + "/teapot", "Failed: HTTP 418", FetchStatus::Failed, true},
        {"Created", host + "/created", "Complete", FetchStatus::Ok, false},
        {"Etag", host + "/huge-etag", "Failed: header too large", FetchStatus::Failed, true},
        {"Later", host + "/later", "Deferred: retry after ", FetchStatus::Deferred, true},
        {"File", "file:///etc/passwd", "Failed: only http and https addresses can be fetched",
         FetchStatus::Failed, true},
        {"Gopher", "gopher://" + host + "/", "Failed: only http and https addresses can be fetched",
         FetchStatus::Failed, true},
    };
    std::vector<std::pair<std::string, std::string>> selection;
    for (const Answer& answer : answers) {
        selection.emplace_back(answer.name, answer.url);
        folder.write("Sites/" + PageFileName(answer.url), BoldPage("kept " + answer.name));
    }
    SelectBoldSites(folder, selection);
    // Written by hand or by a program gone wrong: a day of silence at most, not a thousand years.
    folder.write("Sites/" + PageFileStem(host + "/later") + ".rec",
                 "status: deferred\r\nretry-after: 2999-01-01T00:00:00Z\r\n");

    const DigestResult run = RunDigest({"--folder", folder.path(), "--no-open"});
    EXPECT_EQ(run.status, 0) << run.err;
    for (size_t i = 0; i < answers.size(); ++i) {
        const Answer& answer = answers[i];
        SCOPED_TRACE(answer.name);
        const std::string line = "[" + std::to_string(i + 1) + "/" +
                                 std::to_string(answers.size()) + "] " + answer.name + ": " +
                                 answer.status;
        EXPECT_NE(run.err.find(line), std::string::npos) << run.err;
        const SiteRecord record = ReadSiteRecord(answer.url);
        EXPECT_EQ(record.status, answer.recorded);
        if (answer.recorded == FetchStatus::Failed) {
            EXPECT_EQ(record.reason.rfind(answer.status.substr(8), 0), 0u) << record.reason;
        }
        const std::string page = folder.read("Sites/" + PageFileName(answer.url));
        EXPECT_EQ(page == BoldPage("kept " + answer.name), answer.keepsPage) << page.substr(0, 80);
    }
    const SiteRecord later = ReadSiteRecord(host + "/later");
    EXPECT_LE(later.retryAfter, std::time(nullptr) + 24 * 60 * 60);
    EXPECT_EQ(server.requests().size(), 5u) << "all but the deferred site and the two refused";
    for (const RecordedRequest& request : server.requests())
        EXPECT_EQ(request.headers.count("if-none-match"), 0u) << "no validator was ever kept";
}

} // namespace
} // namespace nimbrel::test
