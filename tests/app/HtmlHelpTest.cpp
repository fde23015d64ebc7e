#include "app/hh_funcs.h"
#include "support/HelpCallLog.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace nimbrel;
using namespace nimbrel::test;
namespace fs = std::filesystem;

namespace {

class HelpService : public ::testing::Test {
  protected:
    HelpService() { UnloadHtmlHelp(); }
    ~HelpService() override {
        UnloadHtmlHelp();
        SetHtmlHelpControlPath(std::nullopt);
    }
    TempProgramFolder folder;
};

fs::path TestExecutableFolder() {
    return fs::read_symlink("/proc/self/exe").parent_path();
}

TEST_F(HelpService, MissingModuleLeavesTheServiceUnloaded) {
    SetHtmlHelpControlPath(folder.file("no-such-module.so"));
    EXPECT_EQ(FindHtmlHelpControl(), "");
    LoadHtmlHelp();
    EXPECT_FALSE(HtmlHelpLoaded());
    EXPECT_EQ(HtmlHelpA, nullptr);
    // Calls without a module are harmless no-ops.
    EXPECT_EQ(HtmlHelp(nullptr, HelpFile(), HH_HELP_CONTEXT, 1000), nullptr);
}

TEST_F(HelpService, FileThatIsNoLibraryCountsAsNotInstalled) {
    folder.write("broken.so", "this is not a shared library");
    SetHtmlHelpControlPath(folder.file("broken.so"));
    EXPECT_EQ(FindHtmlHelpControl(), folder.file("broken.so"));
    LoadHtmlHelp();
    EXPECT_FALSE(HtmlHelpLoaded());
}

TEST_F(HelpService, LoadsBothEntryPointsOnceAndUnloadClearsThem) {
    SetHtmlHelpControlPath(std::string(NIMBREL_TEST_HELP_MODULE));
    LoadHtmlHelp();
    ASSERT_TRUE(HtmlHelpLoaded());
    EXPECT_NE(HtmlHelpA, nullptr);
    EXPECT_NE(HtmlHelpW, nullptr);
    void* first = HHCtrlHandle;
    LoadHtmlHelp();
    EXPECT_EQ(HHCtrlHandle, first);
    UnloadHtmlHelp();
    EXPECT_FALSE(HtmlHelpLoaded());
    EXPECT_EQ(HtmlHelpA, nullptr);
    EXPECT_EQ(HtmlHelpW, nullptr);
}

TEST_F(HelpService, TopicCallsReachTheEntryPointWithTheirArguments) {
    HelpCallLog log;
    ShowHelpContext(1700);
    ShowHelpDefaultTopic();
    CloseAllHelp();
    const auto calls = log.calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].owner, "none");
    EXPECT_EQ(calls[0].file, folder.path() + "/Nimbrel.chm");
    EXPECT_EQ(calls[0].command, HH_HELP_CONTEXT);
    EXPECT_EQ(calls[0].data, 1700u);
    EXPECT_EQ(calls[1].owner, "desktop");
    EXPECT_EQ(calls[1].command, HH_DISPLAY_TOPIC);
    EXPECT_EQ(calls[1].data, 0u);
    EXPECT_EQ(calls[2].file, "(none)");
    EXPECT_EQ(calls[2].command, HH_CLOSE_ALL);
}

TEST_F(HelpService, NothingReachesTheModuleAfterUnloading) {
    HelpCallLog log;
    UnloadHtmlHelp();
    ShowHelpContext(1000);
    EXPECT_TRUE(log.calls().empty());
}

TEST_F(HelpService, FindsTheModuleAtItsFixedPlacesBesideTheExecutable) {
    SetHtmlHelpControlPath(std::nullopt);
    const fs::path exeFolder = TestExecutableFolder();
    const fs::path beside = exeFolder / "nimbrel-helpviewer.so";
    const fs::path installed = exeFolder / ".." / NIMBREL_MODULE_DIR / "nimbrel-helpviewer.so";
    fs::remove(beside); // left by an interrupted run
    if (fs::exists(installed))
        GTEST_SKIP() << "a module is already installed at " << installed;
    EXPECT_EQ(FindHtmlHelpControl(), "");

    fs::create_directories(installed.parent_path());
    fs::copy_file(NIMBREL_TEST_HELP_MODULE, installed);
    EXPECT_EQ(FindHtmlHelpControl(), installed.lexically_normal().string());
    fs::copy_file(NIMBREL_TEST_HELP_MODULE, beside);
    EXPECT_EQ(FindHtmlHelpControl(), beside.string());
    LoadHtmlHelp();
    EXPECT_TRUE(HtmlHelpLoaded());
    fs::remove(beside);
    fs::remove(installed);
    std::error_code notEmpty; // folders made for the test go, others stay
    for (fs::path folder = installed.parent_path(); folder != exeFolder / "..";
         folder = folder.parent_path())
        fs::remove(folder, notEmpty);
}

} // namespace
