// nimbrel-digest's command line and the exit statuses of --rip-only, from the real executable.
#include "DigestProcess.h"

#include "support/HttpTestServer.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace nimbrel::test;

namespace {

const std::string kRules = "<Rules><Command Name='append' Specific='0'>"
                           "<StartTag ReverseLTags='0' SkipSimilar='0'>&lt;b</StartTag>"
                           "<EndTag ReverseLTags='0' SkipSimilar='0'>&lt;/b&gt;</EndTag>"
                           "</Command></Rules>";

const std::string kPage = "<html>" + std::string(130, ' ') + "<b>bold</b></html>\r\n";

class RipOnly : public ::testing::Test {
  protected:
    void SetUp() override {
        folder.write("Rip/r.xml", kRules);
        folder.write("Sites/a.dat", kPage);
        folder.write("Sites/b.dat", kPage);
    }
    void sites(const std::string& ruleFileOfA) {
        folder.write("setup.xml", "<setup><site Name='A' URL='a' RipFile='" + ruleFileOfA +
                                      "'/><site Name='B' URL='b' RipFile='r.xml'/></setup>");
    }
    DigestResult run() { return RunDigest({"--folder", folder.path(), "--rip-only", "--quiet"}); }

    TempProgramFolder folder;
};

TEST_F(RipOnly, StepRunToItsEndExitsZero) {
    sites("r.xml");
    const DigestResult result = run();
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(folder.read("Work/a.dat"), "bold\r\n");
    EXPECT_EQ(folder.read("Work/b.dat"), "bold\r\n");
}

TEST_F(RipOnly, CutterErrorFailsItsSiteAndTheOthersAreCut) {
    folder.write("Rip/bad.xml", "<R><Command Name='append' Specific='0'><StartTag "
                                "ReverseLTags='x' SkipSimilar='0'>a</StartTag></Command></R>");
    sites("bad.xml");
    const DigestResult result = run();
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(folder.read("Work/a.err").find("'x' is not a valid integer value"),
              std::string::npos);
    EXPECT_EQ(folder.read("Work/b.dat"), "bold\r\n");
}

TEST_F(RipOnly, BrokenSelectionFileExitsOneWithTheMessage) {
    folder.write("setup.xml", "<setup>");
    const DigestResult result = run();
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err.rfind("Procudure Rip....[Error in setup.xml File]....", 0), 0u)
        << result.err;
}

TEST_F(RipOnly, MissingRuleFileExitsThreeWithTheMessage) {
    sites("none.xml");
    const DigestResult result = run();
    EXPECT_EQ(result.status, 3);
    EXPECT_NE(result.err.find("/Rip/none.xml not found, the program will exit now!"),
              std::string::npos)
        << result.err;
    EXPECT_FALSE(folder.exists("Work/b.dat"));
}

TEST_F(RipOnly, RejectedRuleFileIsReportedAndTheStepGoesOn) {
    folder.write("Rip/bad.xml", "<R><Command></R>");
    sites("bad.xml");
    const DigestResult result = run();
    EXPECT_EQ(result.status, 0);
    EXPECT_FALSE(result.err.empty());
    EXPECT_FALSE(folder.exists("Work/a.dat"));
    EXPECT_EQ(folder.read("Work/b.dat"), "bold\r\n");
}

TEST(DigestCommandLine, HelpListsTheOptions) {
    const DigestResult result = RunDigest({"--help"});
    EXPECT_EQ(result.status, 0);
    for (const char* option :
         {"--folder", "--rip-only", "--display-only", "--open", "--no-open", "--site", "--quiet"})
        EXPECT_NE(result.out.find(option), std::string::npos) << option;
}

TEST(DigestCommandLine, UsageErrorsExitTwo) {
    TempProgramFolder folder;
    const std::vector<std::vector<std::string>> lines = {
        {"--bogus"},
        {"--folder"},
        {"--folder", folder.file("no-such-folder"), "--rip-only"},
        {"--rip-only", "--display-only"},
        {"--open", "--no-open"},
        {"--site"},
        {"--site", "no arrow"},
        {"--site", "News->Example", "--rip-only"},
        {"--display-only", "--site=News->Example"},
        {"--quiet=yes"},
        {"stray"},
    };
    for (const auto& line : lines) {
        const DigestResult result = RunDigest(line);
        EXPECT_EQ(result.status, 2) << line[0];
        EXPECT_FALSE(result.err.empty()) << line[0];
    }
}

// An entry the library does not hold is a mistake on the command line; a library that does not
// load is an error of the run, reported as such.
TEST(DigestCommandLine, SiteTrialOfAnEntryOutsideTheLibraryIsAUsageError) {
    TempProgramFolder folder;
    const struct {
        const char* library;
        int status;
        const char* said;
    } cases[] = {
        {"<Library><Category Name=\"News\"/></Library>", 2, "No library site 'News->Example'"},
        {"<Library><Category Name=\"News\">", 1, "Categories.xml does not load"},
    };
    for (const auto& c : cases) {
        folder.write("Categories.xml", c.library);
        const DigestResult result =
            RunDigest({"--folder", folder.path(), "--site", "News->Example"});
        EXPECT_EQ(result.status, c.status) << result.err;
        EXPECT_NE(result.out.find(c.said), std::string::npos) << result.out;
    }
}

// In a folder that is not a program folder, each mode says what it missed in the Parts' own
// words and, on a line of its own, the folder it looked in and how to name the right one.
TEST(DigestCommandLine, AMissingFileNamesTheFolderItWasLookedForIn) {
    TempProgramFolder empty(false);
    HttpTestServer server;
    server.route("/feed", HttpRoute::Body("<rss version=\"2.0\"><channel><title>F</title>"
                                          "</channel></rss>"));
    const struct {
        std::vector<std::string> options;
        int status;
        const char* said;
        const char* file;
    } cases[] = {
        {{}, 3, "Setup.xml not found, the program will exit now.", "setup.xml"},
        {{"--display-only", "--no-open"}, 1, "[Error in setup.xml File]", "setup.xml"},
        {{"--add-site", server.url("/feed")},
         1,
         "Categories.xml could not be found, please reinstall Nimbrel",
         "Categories.xml"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> line{"--folder", empty.path()};
        line.insert(line.end(), c.options.begin(), c.options.end());
        const DigestResult result = RunDigest(line);
        EXPECT_EQ(result.status, c.status) << result.err;
        const size_t said = result.err.find(c.said);
        EXPECT_NE(said, std::string::npos) << result.err;
        EXPECT_NE(result.err.find("\nnimbrel-digest: looked for " + std::string(c.file) + " in " +
                                      empty.path() +
                                      "; name your program folder with --folder DIR\n",
                                  said),
                  std::string::npos)
            << result.err;
    }
}

} // namespace
