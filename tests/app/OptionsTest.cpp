#include "app/Options.h"
#include "platform/Errors.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace nimbrel;
using namespace nimbrel::test;

namespace {

class OptionFile : public ::testing::Test {
  protected:
    void load() { LoadOptionsFile(OptionFilePath(), interval, autoView); }
    void writeFile(const std::string& bytes) { folder.write("options.nmo", bytes); }

    TempProgramFolder folder;
    int32_t interval = 900;
    bool autoView = false;
};

TEST_F(OptionFile, MissingFileKeepsDefaultsAndSaveWritesThem) {
    load();
    EXPECT_EQ(interval, 900);
    EXPECT_TRUE(autoView);
    SaveOptionsFile(OptionFilePath(), interval, autoView);
    EXPECT_EQ(folder.read("options.nmo"),
              "Interval:900\r\nAutoView:True\r\nNewStoryNotice:True\r\n");
}

// The notice's line comes after the two lines older programs read by position, so they read a
// new file as ever; it is found by its key, and lines with keys this program does not know (a
// newer program's) are passed over.
TEST_F(OptionFile, NewStoryNoticeIsFoundByItsKeyAfterTheSecondLine) {
    const std::string head = "Interval:1200\r\nAutoView:False\r\n";
    struct Case {
        std::string bytes;
        bool notice;
    };
    for (const Case& c : {
             Case{head, true},
             Case{head + "NewStoryNotice:False\r\n", false},
             Case{head + "NewStoryNotice:True\r\n", true},
             Case{head + "Later:1\r\nNewStoryNotice:False\r\nTheme:dark\r\n", false},
             Case{head + "NewStoryNotice:false\r\n", false},
             Case{head + "NewStoryNotice:False", false},
             Case{"Interval:1200\r\nNewStoryNotice:False\r\n", true},
             Case{"NewStoryNotice:False\r\nAutoView:False\r\n", true},
         }) {
        writeFile(c.bytes);
        bool notice = !c.notice;
        LoadOptionsFile(OptionFilePath(), interval, autoView, notice);
        EXPECT_EQ(notice, c.notice) << c.bytes;
    }
    writeFile("Interval:x\r\nAutoView:True\r\nNewStoryNotice:False\r\n");
    bool notice = false;
    EXPECT_THROW(LoadOptionsFile(OptionFilePath(), interval, autoView, notice), EConvertError);
    EXPECT_TRUE(notice) << "the lines after a bad interval are not read";

    SaveOptionsFile(OptionFilePath(), 1500, false, false);
    EXPECT_EQ(folder.read("options.nmo"),
              "Interval:1500\r\nAutoView:False\r\nNewStoryNotice:False\r\n");
    LoadOptionsFile(OptionFilePath(), interval, autoView, notice);
    EXPECT_EQ(interval, 1500);
    EXPECT_FALSE(autoView);
    EXPECT_FALSE(notice);
}

TEST_F(OptionFile, EmptyFileGivesTheDefaults) {
    writeFile("");
    load();
    EXPECT_EQ(interval, 900);
    EXPECT_TRUE(autoView);
}

TEST_F(OptionFile, OnlyTheIntervalLine) {
    writeFile("Interval:1200\r\n");
    load();
    EXPECT_EQ(interval, 1200);
    EXPECT_TRUE(autoView);
}

TEST_F(OptionFile, AutoViewOnlyForExactlyTrue) {
    for (const char* value : {"true", "True ", "TRUE", "False", "", "Truex"}) {
        writeFile(std::string("Interval:900\r\nAutoView:") + value + "\r\n");
        autoView = true;
        load();
        EXPECT_FALSE(autoView) << value;
    }
    writeFile("Interval:900\r\nAutoView:True\r\n");
    load();
    EXPECT_TRUE(autoView);
}

TEST_F(OptionFile, LinesInTheOppositeOrderAreBothIgnored) {
    writeFile("AutoView:False\r\nInterval:1500\r\n");
    load();
    EXPECT_EQ(interval, 900);
    EXPECT_TRUE(autoView);
}

TEST_F(OptionFile, ThirdLineAndLaterAreIgnored) {
    writeFile("Interval:1800\r\nAutoView:False\r\nInterval:60\r\ngarbage\x01\x02");
    load();
    EXPECT_EQ(interval, 1800);
    EXPECT_FALSE(autoView);
}

TEST_F(OptionFile, ValueIsTakenFromTheTenthCharacterWhereverTheKeyIs) {
    writeFile("xInterval:1200\r\n"); // tenth character onwards is ":1200"
    try {
        load();
        FAIL() << "no conversion error";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.message(), "':1200' is not a valid integer value");
    }
    EXPECT_EQ(interval, 900);
}

TEST_F(OptionFile, BadIntervalRaisesAndLeavesStateAsTheMainWindowExpects) {
    writeFile("Interval:12a\r\nAutoView:False\r\n");
    autoView = false;
    try {
        load();
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.message(), "'12a' is not a valid integer value");
    }
    EXPECT_EQ(interval, 900);
    EXPECT_TRUE(autoView); // set before the file was read; the second line was never reached
}

// A bad interval line is quoted in the message by its first 100 characters at most, however
// long it is, and never by half a letter.
TEST_F(OptionFile, MessageQuotesAtMostTheFirstHundredCharacters) {
    const std::string hundred = std::string(99, '7') + "x";
    const std::string accented = std::string(99, 'a') + "\xc3\xa9"; // the letter straddles 100
    const std::pair<std::string, std::string> cases[] = {
        {hundred, hundred},
        {hundred + "more", hundred},
        {hundred + std::string(20u << 20, '9'), hundred},
        {accented + "b", std::string(99, 'a')},
        {std::string(150, '\xa9'), std::string(100, '\xa9')}, // Latin-1 letters, not UTF-8
    };
    for (const auto& [value, quoted] : cases) {
        writeFile("Interval:" + value + "\r\nAutoView:False\r\n");
        try {
            load();
            ADD_FAILURE() << "no conversion error for a value of " << value.size() << " bytes";
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.message(), "'" + quoted + "' is not a valid integer value");
        }
    }
}

// The window's factor is 60 today; the floor holds whatever it becomes.
TEST_F(OptionFile, ValueBeyond32BitsIsAConversionError) {
    writeFile("Interval:4294967296\r\n");
    EXPECT_THROW(load(), EConvertError);
    EXPECT_EQ(interval, 900);
}

TEST_F(OptionFile, NegativeIntervalRoundTrips) {
    SaveOptionsFile(OptionFilePath(), -30, false);
    EXPECT_EQ(folder.read("options.nmo"),
              "Interval:-30\r\nAutoView:False\r\nNewStoryNotice:True\r\n");
    load();
    EXPECT_EQ(interval, -30);
    EXPECT_FALSE(autoView);
}

TEST_F(OptionFile, LineEndsFollowTheTextFileRules) {
    writeFile("Interval:2400\rAutoView:False\r"); // CR-only line ends
    load();
    EXPECT_EQ(interval, 2400);
    EXPECT_FALSE(autoView);

    writeFile("Interval:2400\nAutoView:False\n"); // lone LF: one line
    EXPECT_THROW(load(), EConvertError);

    writeFile("Interval:2100\r\n\x1a"
              "AutoView:False\r\n"); // 0x1A ends the input
    autoView = false;
    load();
    EXPECT_EQ(interval, 2100);
    EXPECT_TRUE(autoView);
}

TEST_F(OptionFile, BinaryAndHugeFilesNeverCrash) {
    std::string binary;
    for (int i = 0; i < 4096; ++i)
        binary.push_back(static_cast<char>(i * 37));
    writeFile(binary);
    try {
        load();
    } catch (const EConvertError&) {
    }
    std::string huge = "Interval:1200\r\nAutoView:" + std::string(100u << 20, 'x');
    writeFile(huge);
    load();
    EXPECT_EQ(interval, 1200);
    EXPECT_FALSE(autoView);
}

TEST_F(OptionFile, UnreadableFileRaisesInOutError) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads every file";
    writeFile("Interval:1200\r\n");
    ::chmod(folder.file("options.nmo").c_str(), 0);
    EXPECT_THROW(load(), EInOutError);
}

TEST_F(OptionFile, FailedSaveRaisesAndKeepsTheOldFile) {
    writeFile("Interval:1500\r\nAutoView:True\r\n");
    // A folder where the file should be cannot be replaced by a file.
    EXPECT_THROW(SaveOptionsFile(folder.file("Sites"), 900, true), EInOutError);
    EXPECT_THROW(SaveOptionsFile(folder.file("missing/options.nmo"), 900, true), EInOutError);
    EXPECT_EQ(folder.read("options.nmo"), "Interval:1500\r\nAutoView:True\r\n");
}

} // namespace
