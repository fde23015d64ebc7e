// Files of the program that must survive threads and killed runs: atomic writers that never
// touch the umask, leftovers of a killed run removed (but never a file still being written),
// and deep work run on a stack large enough for it.
#include "platform/AtomicFile.h"
#include "platform/Errors.h"
#include "platform/LargeStack.h"
#include "platform/LeftoverFiles.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <atomic>
#include <fstream>
#include <thread>

using namespace nimbrel;
using nimbrel::test::TempProgramFolder;

namespace {

// The process's umask as the kernel reports it, read without changing it.
std::string UmaskNow() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("Umask:", 0) == 0)
            return line;
    return "";
}

TEST(AtomicFile, WritersOnManyThreadsNeverChangeTheUmask) {
    TempProgramFolder folder;
    const mode_t previous = ::umask(027);
    const std::string expected = UmaskNow();
    std::atomic<bool> writing{true};
    std::atomic<int> changes{0};
    std::thread watcher([&] {
        while (writing)
            changes += UmaskNow() != expected;
    });
    std::vector<std::thread> writers;
    for (int t = 0; t < 2; ++t)
        writers.emplace_back([&, t] {
            for (int i = 0; i < 200; ++i)
                AtomicWriteFile(folder.file("Work/" + std::to_string(t) + ".dat"), "x");
        });
    for (auto& writer : writers)
        writer.join();
    writing = false;
    watcher.join();
    ::umask(previous);
    EXPECT_EQ(changes, 0);
    struct stat st {};
    ASSERT_EQ(::stat(folder.file("Work/0.dat").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(LeftoverFiles, OnlyTheProgramsOwnLeftoversGoAndNeverOneBeingWritten) {
    TempProgramFolder folder;
    const char* removed[] = {"site.html.tmp-AbC123", "Sites/a.dat.tmp-000000",
                             "Work/a.dat.tmp-zzzzzz", "Temp/a.dat.temp", "Temp/a.dat.temp.temp"};
    const char* kept[] = {"notes.tmp-abc",        "Work/a.dat.tmp-abcdefg",
                          "Rip/r.xml.tmp-AbC123", "Sites/a.temp",
                          "Work/a.dat",           ".temp"};
    for (const char* name : removed)
        folder.write(name, "x");
    for (const char* name : kept)
        folder.write(name, "x");
    AtomicFile beingWritten(folder.file("Sites/b.dat"));
    beingWritten.write("half a page");
    RemoveLeftoverTempFiles();
    for (const char* name : removed)
        EXPECT_FALSE(folder.exists(name)) << name;
    for (const char* name : kept)
        EXPECT_TRUE(folder.exists(name)) << name;
    beingWritten.commit();
    EXPECT_EQ(folder.read("Sites/b.dat"), "half a page");
}

size_t DeepSum(size_t depth) {
    volatile char frame[512] = {};
    return depth == 0 ? frame[0] : DeepSum(depth - 1) + 1 + frame[depth % 512];
}

TEST(LargeStack, RecursionDeeperThanAnOrdinaryStackRunsAndErrorsComeBack) {
    size_t sum = 0;
    // Over 10 MB of frames: more than the 8 MB of an ordinary thread, with room to spare for
    // the larger frames of a sanitizer build.
    RunOnLargeStack(64u << 20, [&] { sum = DeepSum(20'000); });
    EXPECT_EQ(sum, 20'000u);
    EXPECT_THROW(RunOnLargeStack(1u << 20, [] { throw EConvertError("x"); }), EConvertError);
    std::thread::id outer, inner;
    RunOnLargeStack(8u << 20, [&] {
        outer = std::this_thread::get_id();
        RunOnLargeStack(4u << 20, [&] { inner = std::this_thread::get_id(); });
    });
    EXPECT_EQ(outer, inner);
    EXPECT_NE(outer, std::this_thread::get_id());
}

} // namespace
