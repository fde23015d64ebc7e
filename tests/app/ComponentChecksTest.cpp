#include "app/ComponentChecks.h"

#include "platform/Halt.h"
#include "support/TestSupport.h"
#include "support/XmlEngineFault.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace nimbrel;
using namespace nimbrel::test;

namespace {

const std::string kTidyMissing = "TidyCom.dll is not installed";
const std::string kTidyQuestion = "To install TidyCom.dll please click \"Yes\"";
const std::string kNoRegsvr32 = "No regsvr32.exe in you Nimbrel Folder, please reinstall Nimbrel "
                                "or copy regsvr32.exe into your Nimbrel folder.";
const std::string kNoTidyFile =
    "Cant find TidyCom.dll in the Nimbrel folder, please reinstall Nimbrel";
const std::string kXmlMissing = "msxml3.dll is not installed";
const std::string kXmlQuestion =
    "To install msxml3.dll click \"yes\".  If you are a Windows 98 or ME user please close all "
    "programs and reboot before clicking \"yes\". This will exit Nimbrel, please run Nimbrel "
    "again after installing msxml3.dll ";
const std::string kNoXmlFile =
    "Cant find msxml3.dll in the Nimbrel folder, please reinstall Nimbrel";

struct ChecksFixture : ::testing::Test {
    TempProgramFolder folder;
    ScriptedDialogs dialogs;
    RecordingShell shell;
};

using TidyErrorFlow = ChecksFixture;
using XML3ErrorFlow = ChecksFixture;
using XmlEngineProbe = ChecksFixture;

TEST_F(TidyErrorFlow, NoStartsNothing) {
    folder.write("regsvr32.exe", "tool");
    folder.write("TidyCom.dll", "component");
    dialogs.setNextAnswer(false);
    TidyError();
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{kTidyMissing});
    EXPECT_EQ(dialogs.questions, std::vector<std::string>{kTidyQuestion});
    EXPECT_TRUE(shell.started.empty());
}

TEST_F(TidyErrorFlow, MissingRegsvr32IsReportedAndNothingStarts) {
    folder.write("TidyCom.dll", "component");
    dialogs.setNextAnswer(true);
    TidyError();
    EXPECT_EQ(dialogs.messages, (std::vector<std::string>{kTidyMissing, kNoRegsvr32}));
    EXPECT_TRUE(shell.started.empty());
}

TEST_F(TidyErrorFlow, MissingComponentFileIsReportedAndNothingStarts) {
    folder.write("regsvr32.exe", "tool");
    folder.write("Work/TidyCom.dll", "not in the program folder itself");
    dialogs.setNextAnswer(true);
    TidyError();
    EXPECT_EQ(dialogs.messages, (std::vector<std::string>{kTidyMissing, kNoTidyFile}));
    EXPECT_TRUE(shell.started.empty());
}

TEST_F(TidyErrorFlow, YesWithBothFilesStartsTheToolOnTheComponent) {
    folder.write("regsvr32.exe", "tool");
    folder.write("TidyCom.dll", "component");
    dialogs.setNextAnswer(true);
    TidyError();
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{kTidyMissing});
    EXPECT_EQ(shell.started, std::vector<std::string>{"regsvr32.exe TidyCOM.dll"});

    dialogs.setNextAnswer(true); // no state kept: the question comes back every time
    TidyError();
    EXPECT_EQ(dialogs.questions.size(), 2u);
    EXPECT_EQ(shell.started.size(), 2u);
}

TEST_F(TidyErrorFlow, AFolderNamedLikeTheToolDoesNotCount) {
    std::filesystem::create_directory(folder.file("regsvr32.exe"));
    folder.write("TidyCom.dll", "component");
    dialogs.setNextAnswer(true);
    TidyError();
    EXPECT_EQ(dialogs.messages.back(), kNoRegsvr32);
    EXPECT_TRUE(shell.started.empty());
}

TEST_F(XML3ErrorFlow, NoStartsNothing) {
    folder.write("regsvr32.exe", "tool");
    folder.write("msxml3.dll", "component");
    XML3Error(); // the scripted dialogs answer No
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{kXmlMissing});
    EXPECT_EQ(dialogs.questions, std::vector<std::string>{kXmlQuestion});
    EXPECT_TRUE(shell.started.empty());
}

TEST_F(XML3ErrorFlow, MissingRegsvr32AndMissingComponentAreReported) {
    folder.write("msxml3.dll", "component");
    dialogs.setNextAnswer(true);
    XML3Error();
    EXPECT_EQ(dialogs.messages, (std::vector<std::string>{kXmlMissing, kNoRegsvr32}));

    folder.write("regsvr32.exe", "tool");
    std::filesystem::remove(folder.file("msxml3.dll"));
    dialogs.messages.clear();
    dialogs.setNextAnswer(true);
    XML3Error();
    EXPECT_EQ(dialogs.messages, (std::vector<std::string>{kXmlMissing, kNoXmlFile}));
    EXPECT_TRUE(shell.started.empty());
}

TEST_F(XML3ErrorFlow, YesWithBothFilesStartsTheToolOnTheSystemFoldersComponent) {
    folder.write("regsvr32.exe", "tool");
    folder.write("msxml3.dll", "component");
    dialogs.setNextAnswer(true);
    XML3Error();
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{kXmlMissing});
    EXPECT_EQ(shell.started,
              std::vector<std::string>{"regsvr32.exe " + SystemFolder() + "/msxml3.dll"});
}

TEST(SystemFolderLookup, IsAnExistingFolderWithoutATrailingSeparator) {
    const std::string folder = SystemFolder();
    EXPECT_TRUE(std::filesystem::is_directory(folder)) << folder;
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), '/');
}

TEST_F(XmlEngineProbe, WorkingEngineGivesASynchronousDocumentAndNoDialog) {
    HaltRecorder halt;
    msxml::XmlDocument probe = RunXmlEngineProbe();
    EXPECT_FALSE(probe.async());
    EXPECT_EQ(halt.count, 0);
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(XmlEngineProbe, MissingEngineReportsAndEndsTheProgramWhateverTheAnswer) {
    folder.write("regsvr32.exe", "tool");
    folder.write("msxml3.dll", "component");
    const XmlEngineFault missing;
    for (bool answer : {false, true}) {
        HaltRecorder halt;
        dialogs.setNextAnswer(answer);
        EXPECT_THROW(RunXmlEngineProbe(), HaltRequested);
        EXPECT_EQ(halt.count, 1);
        EXPECT_EQ(dialogs.messages.front(), kXmlMissing);
        EXPECT_EQ(shell.started.size(), answer ? 1u : 0u);
        dialogs.messages.clear();
    }
}

} // namespace
