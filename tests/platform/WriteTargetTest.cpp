// Where writes land: a symbolic link is followed and the file it points to replaced in its own
// folder; a folder, a pipe or a device is refused and left alone. Files replaced together
// (a group) are either all old or all new, even when a run was killed half-way through.
#include "platform/AtomicFile.h"
#include "platform/Errors.h"
#include "platform/FileGroup.h"
#include "platform/FolderLock.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

using namespace nimbrel;
using nimbrel::test::TempProgramFolder;

namespace {

namespace fs = std::filesystem;

TEST(AtomicFile, LinksAreFollowedAndWhatIsNotARegularFileIsLeftAlone) {
    TempProgramFolder folder;
    folder.write("Profile/real.opml", "old");
    fs::create_symlink("Profile/real.opml", folder.file("link.opml"));
    fs::create_symlink(folder.file("Profile/new.opml"), folder.file("dangling.opml"));
    fs::create_symlink("chained.opml", folder.file("chain.opml"));
    fs::create_symlink("link.opml", folder.file("chained.opml"));
    fs::create_symlink("loop.opml", folder.file("loop.opml"));
    ASSERT_EQ(::mkfifo(folder.file("pipe").c_str(), 0600), 0);

    AtomicWriteFile(folder.file("link.opml"), "through the link");
    EXPECT_EQ(folder.read("Profile/real.opml"), "through the link");
    EXPECT_TRUE(fs::is_symlink(folder.file("link.opml"))) << "the link itself stays";
    AtomicWriteFile(folder.file("chain.opml"), "through two links");
    EXPECT_EQ(folder.read("Profile/real.opml"), "through two links");
    AtomicWriteFile(folder.file("dangling.opml"), "made where it points");
    EXPECT_EQ(folder.read("Profile/new.opml"), "made where it points");

    for (const std::string& refused : {folder.file("pipe"), folder.file("Sites"),
                                       std::string("/dev/null"), folder.file("loop.opml")}) {
        try {
            AtomicWriteFile(refused, "x");
            ADD_FAILURE() << "wrote " << refused;
        } catch (const EInOutError& error) {
            EXPECT_EQ(error.message().rfind("File access denied: " + refused + " (", 0), 0u)
                << error.message();
        }
    }
    struct stat st {};
    ASSERT_EQ(::stat("/dev/null", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode)) << "a device is never replaced by a file";
    EXPECT_TRUE(fs::is_fifo(folder.file("pipe")));
    for (const auto& entry : fs::directory_iterator(folder.path()))
        EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos)
            << entry.path();
}

TEST(FileGroup, AllFilesAreReplacedOrNoneAndAKilledRunIsFinishedByTheNextLock) {
    TempProgramFolder folder;
    folder.write("a.txt", "old a");
    folder.write("b.txt", "old b");
    {
        FileGroup group;
        group.write(folder.file("a.txt"), "new a");
        // A folder where the second file should go: refused before anything is replaced.
        EXPECT_THROW(group.write(folder.file("Sites"), "x"), EInOutError);
    }
    EXPECT_EQ(folder.read("a.txt"), "old a");
    FileGroup group;
    group.write(folder.file("a.txt"), "new a");
    group.write(folder.file("b.txt"), "new b");
    group.commit();
    EXPECT_EQ(folder.read("a.txt"), "new a");
    EXPECT_EQ(folder.read("b.txt"), "new b");
    EXPECT_FALSE(folder.exists("nimbrel.journal"));

    // What a run killed between its first and second rename leaves: its journal, the first
    // file renamed, the second still under its temporary name.
    folder.write("b.txt.tmp-Zz9Zz9", "newer b");
    const std::string journal = std::string("nimbrel file group 1\n") +
                                folder.file("a.txt.tmp-Aa1Aa1") + '\0' + folder.file("a.txt") +
                                '\0' + folder.file("b.txt.tmp-Zz9Zz9") + '\0' +
                                folder.file("b.txt") + '\0';
    folder.write("nimbrel.journal", journal);
    folder.write("a.txt", "newer a");
    const FolderLock lock = FolderLock::Take();
    EXPECT_EQ(folder.read("a.txt"), "newer a");
    EXPECT_EQ(folder.read("b.txt"), "newer b");
    EXPECT_FALSE(folder.exists("nimbrel.journal"));
    EXPECT_FALSE(folder.exists("b.txt.tmp-Zz9Zz9"));
}

} // namespace
