#include "library/SelectionList.h"
#include "library/SelectionEntry.h"
#include "platform/Errors.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace nimbrel;
using namespace nimbrel::test;

namespace {

int RegularFilesIn(const std::string& folder) {
    int count = 0;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        count += e.is_regular_file();
    return count;
}

} // namespace

TEST(SelectionEntry, SplitsAtTheFirstArrow) {
    const SelectionEntry plain = SplitSelectionEntry("News->Daily Paper");
    EXPECT_EQ(plain.category, "News");
    EXPECT_EQ(plain.site, "Daily Paper");

    const SelectionEntry arrows = SplitSelectionEntry("A->B->C");
    EXPECT_EQ(arrows.category, "A");
    EXPECT_EQ(arrows.site, "B->C");

    const SelectionEntry leading = SplitSelectionEntry("->Site");
    EXPECT_EQ(leading.category, "");
    EXPECT_EQ(leading.site, "Site");

    const SelectionEntry trailing = SplitSelectionEntry("Cat->");
    EXPECT_EQ(trailing.category, "Cat");
    EXPECT_EQ(trailing.site, "");
}

TEST(SelectionEntry, WithoutArrowHasAnEmptyCategory) {
    const SelectionEntry entry = SplitSelectionEntry("JustASite");
    EXPECT_EQ(entry.category, "");
    EXPECT_EQ(entry.site, "JustASite");
    const SelectionEntry single = SplitSelectionEntry("-");
    EXPECT_EQ(single.category, "");
    EXPECT_EQ(single.site, "-");
}

TEST(SelectionListFile, EntriesInOrderEachWithCrLfThenAClosingEmptyLine) {
    TempProgramFolder folder;
    SaveSelectionList(folder.file("mine.nms"), {"A->x", "B->y", "A->x"});
    EXPECT_EQ(folder.read("mine.nms"), "A->x\r\nB->y\r\nA->x\r\n\r\n");
}

TEST(SelectionListFile, EmptyListWritesOnlyCrLf) {
    TempProgramFolder folder;
    SaveSetupNml({});
    EXPECT_EQ(folder.read("setup.nml"), "\r\n");
    ASSERT_TRUE(LoadSetupNml().has_value());
    EXPECT_TRUE(LoadSetupNml()->empty());
}

TEST(SelectionListFile, RoundTripKeepsBytesUnconverted) {
    TempProgramFolder folder;
    const SelectionEntries entries = {"Caf\xc3\xa9->Men\xfc", "Q->\"quoted\" & 'apos'", "A->B->C"};
    SaveSetupNml(entries);
    EXPECT_EQ(LoadSetupNml(), entries);
}

TEST(SelectionListFile, ReadingSkipsEmptyLinesAnywhere) {
    TempProgramFolder folder;
    folder.write("s.nms", "\r\n\r\nA->1\r\n\r\nB->2\r\n\r\n\r\nC->3");
    EXPECT_EQ(LoadSelectionList(folder.file("s.nms")), (SelectionEntries{"A->1", "B->2", "C->3"}));
}

// Files written here end lines with CR LF; files from a Linux editor with LF; old Mac files
// with CR. Every mix reads as the same entries.
TEST(SelectionListFile, CrLfLoneLfAndLoneCrAllEndALine) {
    TempProgramFolder folder;
    const SelectionEntries expected = {"A->1", "B->2"};
    for (const char* bytes :
         {"A->1\r\nB->2\r\n\r\n", "A->1\nB->2\n", "A->1\nB->2", "A->1\rB->2\r\r",
          "\n\nA->1\n\r\nB->2\n\r", "A->1\n\rB->2\x1a\nC->3"}) {
        folder.write("mixed.nms", bytes);
        EXPECT_EQ(LoadSelectionList(folder.file("mixed.nms")), expected)
            << testing::PrintToString(bytes);
    }
    folder.write("setup.nml", "A->1\nB->2\n");
    EXPECT_EQ(LoadSetupNml(), expected);
}

TEST(SelectionListFile, BinaryInputGivesEntriesAndNeverCrashes) {
    TempProgramFolder folder;
    std::string bytes;
    for (int i = 0; i < 4096; ++i)
        bytes.push_back(static_cast<char>((i * 7919 + 13) % 256));
    folder.write("bin.nms", bytes);
    const SelectionEntries entries = LoadSelectionList(folder.file("bin.nms"));
    for (const std::string& entry : entries) {
        EXPECT_FALSE(entry.empty());
        EXPECT_EQ(entry.find('\r'), std::string::npos);
        EXPECT_EQ(entry.find('\n'), std::string::npos);
        EXPECT_EQ(entry.find('\x1a'), std::string::npos);
    }
    const std::string withNul("A->\0x\r\n\x1a"
                              "B->y\r\n",
                              13);
    folder.write("nul.nms", withNul);
    EXPECT_EQ(LoadSelectionList(folder.file("nul.nms")),
              (SelectionEntries{std::string("A->\0x", 5)}));
}

TEST(SelectionListFile, SetupNmlAbsentLeavesTheCallerToKeepItsList) {
    TempProgramFolder folder;
    EXPECT_FALSE(LoadSetupNml().has_value());
    EXPECT_THROW(LoadSelectionList(folder.file("missing.nms")), EInOutError);
}

TEST(SelectionListFile, FailedWriteLeavesTheOldFileWholeAndNoTemporaryFile) {
    TempProgramFolder folder;
    // A non-empty folder in the way of the rename makes the replacement fail even for root.
    std::filesystem::create_directory(folder.file("blocked.nms"));
    folder.write("blocked.nms/keep", "x");
    EXPECT_THROW(SaveSelectionList(folder.file("blocked.nms"), {"A->1"}), EInOutError);
    EXPECT_EQ(folder.read("blocked.nms/keep"), "x");
    EXPECT_EQ(RegularFilesIn(folder.path()), 0) << "temporary file left behind";
}

TEST(SelectionListFile, UnwritableFolderRaisesAccessDeniedAndKeepsSetupNml) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root ignores folder permissions";
    TempProgramFolder folder;
    folder.write("setup.nml", "Old->One\r\n\r\n");
    ::chmod(folder.path().c_str(), 0500);
    try {
        SaveSetupNml({"New->Two"});
        ADD_FAILURE() << "no error";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.message(), "File access denied: " + folder.file("setup.nml"));
    }
    ::chmod(folder.path().c_str(), 0700);
    EXPECT_EQ(folder.read("setup.nml"), "Old->One\r\n\r\n");
}
