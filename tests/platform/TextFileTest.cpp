#include "platform/TextFile.h"
#include "platform/Errors.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace nimbrel;
using namespace nimbrel::test;

namespace {

struct LineCase {
    const char* name;
    std::string bytes;
    std::vector<std::string> lines;
};

class TextReaderLines : public ::testing::TestWithParam<LineCase> {};

TEST_P(TextReaderLines, SplitsAsTheRunTimeDoes) {
    TempProgramFolder folder;
    folder.write("t.txt", GetParam().bytes);
    EXPECT_EQ(ReadTextLines(folder.file("t.txt")), GetParam().lines);
    // Read from memory, as views into the text: the same lines.
    TextReader memory("t.txt", GetParam().bytes, TextReader::InMemory{});
    std::vector<std::string> viewed;
    std::string storage;
    for (std::string_view line; memory.readLine(line, storage);)
        viewed.emplace_back(line);
    EXPECT_EQ(viewed, GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    ByteStrings, TextReaderLines,
    ::testing::Values(LineCase{"Empty", "", {}}, LineCase{"CrLf", "a\r\nb\r\n", {"a", "b"}},
                      LineCase{"CrOnly", "a\rb\r", {"a", "b"}},
                      LineCase{"LoneLfIsOrdinary", "a\nb\r\nc", {"a\nb", "c"}},
                      LineCase{"LastLineWithoutEnd", "one\r\ntwo", {"one", "two"}},
                      LineCase{"CtrlZEndsInput",
                               std::string("a\r\nb\x1a"
                                           "c\r\nd\r\n"),
                               {"a", "b"}},
                      LineCase{"CtrlZAtLineStart",
                               std::string("a\r\n\x1a"
                                           "b"),
                               {"a"}},
                      LineCase{"EmptyLines", "\r\n\r\nx\r\n", {"", "", "x"}},
                      LineCase{"CrCrLf", "a\r\r\n", {"a", ""}},
                      LineCase{"LfThenCr", "\n\r", {"\n"}},
                      LineCase{
                          "NulBytesKept", std::string("a\0b\r\n", 5), {std::string("a\0b", 3)}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TextReader, LongLineAcrossBufferBoundaries) {
    TempProgramFolder folder;
    std::string big(200000, 'x');
    big[65535] = '\r'; // CR as the last byte of the first buffer, LF as the first of the next
    big[65536] = '\n';
    folder.write("big.txt", big);
    const auto lines = ReadTextLines(folder.file("big.txt"));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].size(), 65535u);
    EXPECT_EQ(lines[1].size(), 200000u - 65537u);
}

TEST(TextReader, EofBeforeAndAfterReading) {
    TempProgramFolder folder;
    folder.write("t.txt", "\x1a"
                          "rest");
    TextReader reader(folder.file("t.txt"));
    EXPECT_TRUE(reader.eof());
    std::string line = "junk";
    EXPECT_FALSE(reader.readLine(line));
    EXPECT_EQ(line, "");
}

TEST(TextReader, MissingFileRaisesFileNotFound) {
    TempProgramFolder folder;
    try {
        TextReader reader(folder.file("nope.txt"));
        FAIL() << "no error";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.message(), "File not found: " + folder.file("nope.txt"));
        EXPECT_EQ(e.code(), 2);
    }
}

TEST(TextWriter, EndsEveryLineWithCrLf) {
    TempProgramFolder folder;
    TextWriter writer(folder.file("out.txt"));
    writer.writeLine("a");
    writer.writeLine("");
    writer.writeLine("b\nc");
    writer.close();
    EXPECT_EQ(folder.read("out.txt"), "a\r\n\r\nb\nc\r\n");
}

TEST(TextWriter, AbandonedWriterLeavesOldFileWhole) {
    TempProgramFolder folder;
    folder.write("out.txt", "old\r\n");
    {
        TextWriter writer(folder.file("out.txt"));
        writer.writeLine("new");
        EXPECT_EQ(folder.read("out.txt"), "old\r\n"); // nothing visible before close
    }
    EXPECT_EQ(folder.read("out.txt"), "old\r\n");
    int entries = 0;
    for (auto& e : std::filesystem::directory_iterator(folder.path()))
        entries += e.is_regular_file();
    EXPECT_EQ(entries, 1) << "temporary file left behind";
}

TEST(TextWriter, UnwritableFolderRaisesAccessDeniedAndKeepsOldFile) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root ignores folder permissions";
    TempProgramFolder folder;
    folder.write("out.txt", "old");
    ::chmod(folder.path().c_str(), 0500);
    try {
        TextWriter writer(folder.file("out.txt"));
        FAIL() << "no error";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.message(), "File access denied: " + folder.file("out.txt"));
    }
    ::chmod(folder.path().c_str(), 0700);
    EXPECT_EQ(folder.read("out.txt"), "old");
}

TEST(TextWriter, MissingFolderRaisesInOutError) {
    TempProgramFolder folder;
    EXPECT_THROW(TextWriter(folder.file("no/such/folder.txt")), EInOutError);
}

TEST(AtomicFile, FullDiskMapsToDiskFull) {
    // What a full disk reports (ENOSPC, EDQUOT) is shown as the run-time's "Disk full".
    for (int err : {ENOSPC, EDQUOT}) {
        try {
            RaiseInOutError(err);
        } catch (const EInOutError& e) {
            EXPECT_EQ(e.message(), "Disk full");
        }
    }
}

TEST(AtomicFile, CommitReplacesTheTargetWhole) {
    TempProgramFolder folder;
    folder.write("t.dat", "old");
    AtomicWriteFile(folder.file("t.dat"), "new content");
    EXPECT_EQ(folder.read("t.dat"), "new content");
}

} // namespace
