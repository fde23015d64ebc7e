// The cutter's files: joining a page into one line, file names, the shared cut file, and
// RipPieces on real files.
#include "CutterTestSupport.h"

#include "pipeline/HtmlRip.h"
#include "platform/Errors.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace nimbrel;
using namespace nimbrel::test;

namespace {

struct JoinCase {
    const char* name;
    std::string before;
    std::string after;
};

class JoinLinesCases : public ::testing::TestWithParam<JoinCase> {};

TEST_P(JoinLinesCases, RewritesThePageAsOneLine) {
    TempProgramFolder folder;
    folder.write("Sites/p.dat", GetParam().before);
    const JoinedPage inMemory(folder.file("Sites/p.dat"));
    JoinLines(folder.file("Sites/p.dat"));
    EXPECT_EQ(folder.read("Sites/p.dat"), GetParam().after);
    EXPECT_EQ(inMemory.text(), GetParam().after) << "the cut's copy is joined the same way";
}

INSTANTIATE_TEST_SUITE_P(
    Pages, JoinLinesCases,
    ::testing::Values(JoinCase{"CrLf", "<a>\r\n<b>\r\n", "<a><b>\r\n"},
                      JoinCase{"CrOnly", "1\r2\r3", "123\r\n"},
                      JoinCase{"LoneLfStays", "1\n2\r\n3\n", "1\n23\n\r\n"},
                      JoinCase{"CrCrLf", "a\r\r\nb", "ab\r\n"},
                      JoinCase{"LfAfterCrLfStays", "a\r\n\nb", "a\nb\r\n"},
                      JoinCase{"AlreadyOneLine", "<html>x</html>\r\n", "<html>x</html>\r\n"},
                      JoinCase{"CtrlZEndsThePage", std::string("a\r\nb\x1a") + "c\r\nd", "ab\r\n"},
                      JoinCase{"CrLfAcrossTheReadBuffer", std::string(65535, 'a') + "\r\nb",
                               std::string(65535, 'a') + "b\r\n"},
                      JoinCase{"CrLastBeforeCtrlZ", "a\r\x1a\nb", "a\r\n"},
                      JoinCase{"Empty", "", "\r\n"},
                      JoinCase{"NulAndHighBytesKept", std::string("\0\xff\r\n\xc3", 5),
                               std::string("\0\xff\xc3\r\n", 5)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(JoinLines, CrLfSplitAcrossReadChunksIsOneLineEnd) {
    TempProgramFolder folder;
    std::string page(70000, 'x');
    page[65535] = '\r';
    page[65536] = '\n';
    folder.write("Sites/big.dat", page);
    JoinLines(folder.file("Sites/big.dat"));
    EXPECT_EQ(folder.read("Sites/big.dat"), std::string(69998, 'x') + "\r\n");
}

TEST(JoinLines, MissingFileIsAFileErrorAndCreatesNothing) {
    TempProgramFolder folder;
    try {
        JoinLines(folder.file("Sites/none.dat"));
        FAIL() << "no error";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.message(), "File not found: " + folder.file("Sites/none.dat"));
    }
    EXPECT_TRUE(std::filesystem::is_empty(folder.file("Sites")));
}

TEST(StripPath, FileNameWhicheverSeparator) {
    EXPECT_EQ(StripPath("C:\\prog\\Sites\\a.dat"), "a.dat");
    EXPECT_EQ(StripPath("/home/u/prog/Sites/a.dat"), "a.dat");
    EXPECT_EQ(StripPath("/home/u\\mixed/x\\b.dat"), "b.dat");
    EXPECT_EQ(StripPath("plain.dat"), "plain.dat");
    EXPECT_EQ(StripPath("dir/"), "");
    EXPECT_EQ(StripPath(""), "");
}

TEST(RipOutput, CutFileIsReplacedOnlyWhenClosed) {
    TempProgramFolder folder;
    folder.write("Work/s.dat", "old cut\r\n");
    RipOutput().open(folder.file("Work/s.dat"));
    RipOutput().writer().writeLine("new");
    EXPECT_EQ(folder.read("Work/s.dat"), "old cut\r\n"); // a crash now leaves the old cut
    RipOutput().close();
    EXPECT_FALSE(RipOutput().isOpen());
    EXPECT_EQ(folder.read("Work/s.dat"), "new\r\n");
}

TEST(RipOutput, ClosingAfterAnErrorKeepsThePiecesWrittenSoFar) {
    TempProgramFolder folder;
    folder.write("Work/s.dat", "old cut\r\n");
    RipOutput().open(folder.file("Work/s.dat"));
    RipOutput().writer().writeLine("piece 1");
    RipOutput().closeAfterError();
    EXPECT_EQ(folder.read("Work/s.dat"), "piece 1\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.file("Work")), {}), 1);
}

TEST(RipOutput, WritingWhileClosedIsAFileError) {
    RipOutput().closeAfterError();
    EXPECT_THROW(RipOutput().writer(), EInOutError);
}

TEST(RipOutput, MissingWorkFolderIsAFileError) {
    TempProgramFolder folder(false);
    EXPECT_THROW(RipOutput().open(folder.file("Work/s.dat")), EInOutError);
    EXPECT_FALSE(RipOutput().isOpen());
}

TEST(RipPieces, ConversionErrorComesBeforeAnyLineIsRead) {
    TempProgramFolder folder;
    folder.write("Sites/p.dat", "<b>1</b>");
    TextReader input(folder.file("Sites/p.dat"));
    TextWriter output(folder.file("Work/p.dat"), TextWriter::Mode::Direct);
    CommandRules rules = AppendRules("<b", "</b>");
    rules.specific = "x";
    EXPECT_THROW(RipPieces(input, output, rules), EConvertError);
    output.close();
    EXPECT_EQ(folder.read("Work/p.dat"), "");
    std::string line;
    EXPECT_TRUE(input.readLine(line)); // the input was left untouched
}

TEST(RipPieces, RealPageCutsTheLinkOfEveryStory) {
    const std::string fixture = RealFixture("hn_front.html");
    if (fixture.empty())
        GTEST_SKIP() << "real fixtures absent";
    // Without the quote in the marker: the byte after an excluded marker is dropped.
    const auto links =
        CutPage(ReadBytes(fixture), AppendRules("<SPAN CLASS=\"titleline\"><A HREF=", "\""));
    ASSERT_EQ(links.size(), 30u);
    for (const auto& link : links)
        EXPECT_TRUE(link.rfind("http", 0) == 0 || link.rfind("item?", 0) == 0) << link;
}

} // namespace
