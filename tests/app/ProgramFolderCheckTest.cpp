// Started in a folder that is not a program folder, the program names what is missing and how to
// make one, instead of opening windows that cannot work.
#include "app/ProgramFolderCheck.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace nimbrel;
using namespace nimbrel::test;

namespace {

TEST(ProgramFolderCheckTest, TheShippedFolderIsOneAndAnEmptyFolderSaysWhatItLacks) {
    TempProgramFolder folder;
    CopyShippedData(folder);
    folder.write("Nimbrel.chm", "help");
    EXPECT_EQ(MissingProgramFiles(folder.path()), std::vector<std::string>{});

    std::filesystem::remove_all(folder.file("Work"));
    std::filesystem::remove(folder.file("setup.xslt"));
    std::filesystem::remove(folder.file("Temp"));
    folder.write("Temp", "a file where a folder belongs");
    EXPECT_EQ(MissingProgramFiles(folder.path()),
              (std::vector<std::string>{"setup.xslt", "Work/", "Temp/"}));

    TempProgramFolder empty(false);
    const auto missing = MissingProgramFiles(empty.path());
    EXPECT_EQ(missing.size(), 10u);
    const std::string message = NotAProgramFolderMessage(empty.path(), missing);
    EXPECT_TRUE(message.starts_with(empty.path() + " is not a Nimbrel program folder: it has no "
                                                   "Categories.xml, setup.xslt, Nimbrel.chm, "
                                                   "icons/banner_vert1.jpg, Rip/,"))
        << message;
    EXPECT_TRUE(message.ends_with("nimbrel-launch --folder " + empty.path())) << message;
}

TEST(ProgramFolderCheckTest, TheSuggestedCommandQuotesAFolderTheShellWouldSplit) {
    for (const auto& [folder, word] : std::vector<std::pair<std::string, std::string>>{
             {"/home/me/my-digest", "/home/me/my-digest"},
             {"/home/me/My Digest", "'/home/me/My Digest'"},
             {"/home/me/it's $HOME", "'/home/me/it'\\''s $HOME'"},
         }) {
        EXPECT_TRUE(NotAProgramFolderMessage(folder, {"Work/"}).ends_with("--folder " + word))
            << folder;
    }
}

} // namespace
