#include "platform/Convert.h"
#include "platform/Errors.h"
#include "platform/ProgramFolder.h"

#include <gtest/gtest.h>

using namespace nimbrel;

namespace {

TEST(StrToInt, AcceptsDecimalWholeNumbers) {
    EXPECT_EQ(StrToInt("900"), 900);
    EXPECT_EQ(StrToInt("-15"), -15);
    EXPECT_EQ(StrToInt("+7"), 7);
    EXPECT_EQ(StrToInt("00"), 0);
    EXPECT_EQ(StrToInt("2147483647"), 2147483647);
    EXPECT_EQ(StrToInt("-2147483648"), INT32_MIN);
}

TEST(StrToInt, RejectsEverythingElseWithTheOffendingText) {
    for (const char* bad : {"", "12a", " 12", "12 ", "-", "+", "2147483648", "-2147483649",
                            "99999999999999999999", "1.5", "0x10", "\x1a"}) {
        try {
            StrToInt(bad);
            ADD_FAILURE() << "accepted '" << bad << "'";
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.message(), std::string("'") + bad + "' is not a valid integer value");
        }
    }
}

TEST(Trim, DropsBlanksAndControlCharactersAtBothEnds) {
    EXPECT_EQ(Trim(" \t\r\n a b \x01"), "a b");
    EXPECT_EQ(Trim("   "), "");
    EXPECT_EQ(Trim("\xc3\xa9"), "\xc3\xa9"); // bytes above 127 are letters, not blanks
}

TEST(LowerAscii, LowersOnlyAToZ) {
    EXPECT_EQ(LowerAscii("<TD Class='N'>\xc3\x89"), "<td class='n'>\xc3\x89");
}

TEST(ReplaceAll, LeftToRightWithoutRescanning) {
    EXPECT_EQ(ReplaceAll("aaa", "a", "aa"), "aaaaaa");
    EXPECT_EQ(ReplaceAll("abcabc", "", "x"), "abcabc");
    EXPECT_EQ(ReplaceAll("a-b-c", "-", ""), "abc");
}

TEST(InOutError, MessagesWordForWord) {
    EXPECT_EQ(EInOutError(2).message(), "File not found");
    EXPECT_EQ(EInOutError(5).message(), "File access denied");
    EXPECT_EQ(EInOutError(101).message(), "Disk full");
    EXPECT_EQ(EInOutError(32).message(), "I/O error 32");
}

TEST(ProgramFile, BothSeparatorsReachTheSameFile) {
    SetProgramFolder("/tmp/prog/");
    EXPECT_EQ(ProgramFolder(), "/tmp/prog");
    EXPECT_EQ(ProgramFile("\\options.nmo"), "/tmp/prog/options.nmo");
    EXPECT_EQ(ProgramFile("/nimbrel.bmp"), "/tmp/prog/nimbrel.bmp");
    EXPECT_EQ(ProgramFile("\\icons\\banner_vert1.jpg"), "/tmp/prog/icons/banner_vert1.jpg");
    // Names from data are never split at a backslash.
    EXPECT_EQ(DataFile("\\Rip", "a\\b.xml"), "/tmp/prog/Rip/a\\b.xml");
}

} // namespace
