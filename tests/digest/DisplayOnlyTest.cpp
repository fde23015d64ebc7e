// nimbrel-digest --display-only on a prepared program folder: the exit status, site.html and
// whether the browser is started.
#include "DigestProcess.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <sys/prctl.h>
#include <sys/wait.h>

using namespace nimbrel::test;

namespace {

class DisplayOnly : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(::prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
        std::filesystem::copy(RepoFixture("display/setup.xslt"), folder.file("setup.xslt"));
        std::filesystem::copy(RepoFixture("display/stylesheets"), folder.file("stylesheets"),
                              std::filesystem::copy_options::recursive);
        folder.write("setup.xml", "<Layout><table><tr><td><site Name=\"n\" URL=\"localfeed\" "
                                  "Type=\"xml\" StyleSheet=\"feed.xsl\"/></td></tr></table>"
                                  "</Layout>");
        folder.write("Work/localfeed.dat", "<rss><channel><title>T</title><item><title>"
                                           "Caf\xC3\xA9 story</title><link>/a</link></item>"
                                           "</channel></rss>");
        // The browser the digest starts: a script that notes what it was asked to open.
        folder.write("browser.sh",
                     "#!/bin/sh\necho \"$1\" >> \"" + folder.file("opened.txt") + "\"\n");
        std::filesystem::permissions(folder.file("browser.sh"), std::filesystem::perms::owner_all);
        ::setenv("BROWSER", folder.file("browser.sh").c_str(), 1);
    }
    void TearDown() override { ::unsetenv("BROWSER"); }

    DigestResult Digest(std::vector<std::string> options) {
        options.insert(options.begin(), {"--folder", folder.path(), "--display-only"});
        return RunDigest(options);
    }

    // The browser is started detached; orphaned, it becomes a child of this process (a child
    // subreaper). Once every child has ended, what the browsers noted is all they will note.
    bool BrowserOpened() {
        while (::waitpid(-1, nullptr, 0) > 0 || errno == EINTR) {
        }
        return Noted();
    }
    bool Noted() {
        return folder.exists("opened.txt") && folder.read("opened.txt").ends_with("\n");
    }

    TempProgramFolder folder;
};

TEST_F(DisplayOnly, WritesTheDigestAndOpensItAsTheOptionsSay) {
    const DigestResult result = Digest({});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(folder.read("site.html").find("Caf\xC3\xA9 story"), std::string::npos);
    ASSERT_TRUE(BrowserOpened());
    EXPECT_EQ(folder.read("opened.txt"), folder.path() + "/site.html\n");
}

TEST_F(DisplayOnly, NoOpenOverridesTheOptionForThatRun) {
    folder.write("options.nmo", "Interval:900\r\nAutoView:True\r\n");
    EXPECT_EQ(Digest({"--no-open"}).status, 0);
    EXPECT_TRUE(folder.exists("site.html"));
    EXPECT_FALSE(BrowserOpened());
    EXPECT_EQ(folder.read("options.nmo"), "Interval:900\r\nAutoView:True\r\n");
}

TEST_F(DisplayOnly, OpenOverridesAutomaticDisplayOff) {
    folder.write("options.nmo", "Interval:900\r\nAutoView:False\r\n");
    EXPECT_EQ(Digest({}).status, 0);
    EXPECT_FALSE(BrowserOpened());
    EXPECT_EQ(Digest({"--open"}).status, 0);
    EXPECT_TRUE(BrowserOpened());
}

TEST_F(DisplayOnly, BadSelectionEndsWithStatusOneAndTheMessage) {
    folder.write("site.html", "old\r\n");
    folder.write("setup.xml", "<Layout>");
    const DigestResult result = Digest({"--no-open"});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("Procudure Rip....[Error in setup.xml File]...."), std::string::npos)
        << result.err;
    EXPECT_EQ(folder.read("site.html"), "old\r\n");
}

TEST_F(DisplayOnly, MissingSiteStylesheetShowsTheSitesNoticeAndItsLineOnStderr) {
    std::filesystem::remove(folder.file("stylesheets/feed.xsl"));
    const DigestResult result = Digest({"--no-open"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.err.find("n: not shown: The stylesheet feed.xsl does not load"),
              std::string::npos)
        << result.err;
    EXPECT_NE(folder.read("site.html").find("site-failure"), std::string::npos);
    EXPECT_TRUE(Digest({"--no-open", "--quiet"}).err.empty());
}

TEST_F(DisplayOnly, NoOpenKeepsTheUpdateReminderFromOpeningItsPage) {
    folder.write("update.dat", "70\r\n");
    EXPECT_EQ(Digest({"--no-open"}).status, 0);
    EXPECT_EQ(folder.read("update.dat"), "71\r\n");
    EXPECT_FALSE(BrowserOpened());
    EXPECT_EQ(Digest({"--open"}).status, 0);
    ASSERT_TRUE(BrowserOpened());
    // Both pages go to browsers started side by side: either may note its page first.
    EXPECT_NE(("\n" + folder.read("opened.txt")).find("\n" + folder.path() + "/update.html\n"),
              std::string::npos);
}

// What the digest showed of a site is kept for the next one; a record that cannot be put in
// place is no silent loss: the run fails with its path and reason, site.html in place.
TEST_F(DisplayOnly, ARecordThatCannotBeKeptFailsTheRunWithItsReason) {
    std::filesystem::create_directories(folder.file("Sites/localfeed.dig/in-the-way"));
    const DigestResult result = Digest({"--no-open"});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("site.html was written, but what it showed of 1 site could not be "
                              "kept (its items are marked new again next time): File access "
                              "denied: " +
                              folder.file("Sites/localfeed.dig")),
              std::string::npos)
        << result.err;
    EXPECT_NE(folder.read("site.html").find("Caf\xC3\xA9 story"), std::string::npos);
    EXPECT_FALSE(folder.exists("Sites/localfeed.dig.next")) << "nothing left waiting";
}

// Past the file-size limit a write fails like a full disk: a message, the old digest whole.
TEST_F(DisplayOnly, FileSizeLimitEndsTheStepWithAMessageAndKeepsTheOldDigest) {
    folder.write("site.html", "old\r\n");
    const DigestResult result =
        RunDigest({"--folder", folder.path(), "--display-only", "--no-open"}, {}, 100);
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_NE(result.err.find("Disk full"), std::string::npos) << result.err;
    EXPECT_EQ(folder.read("site.html"), "old\r\n");
    for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
        EXPECT_EQ(entry.path().string().find(".tmp-"), std::string::npos) << entry.path();
}

} // namespace
