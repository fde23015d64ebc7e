// The display step as both programs run it: a missing cleaner, handed back by the pipeline,
// is reported with the cleaner's own messages.
#include "app/DisplayStep.h"

#include "components/TidyCOM_TLB.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace nimbrel;
using namespace nimbrel::test;

namespace {

TEST(RunDisplayStep, MissingCleanerRunsTheCleanerReportAndKeepsTheDigest) {
    TempProgramFolder folder;
    ScriptedDialogs dialogs;
    RecordingShell shell;
    folder.write("site.html", "old\r\n");
    tidycom::SetCleanerAvailableForTesting(false);
    const DisplayReport report = RunDisplayStep("setup.xml", {true});
    tidycom::SetCleanerAvailableForTesting(true);
    EXPECT_FALSE(report.written);
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{"TidyCom.dll is not installed"});
    EXPECT_EQ(dialogs.questions,
              std::vector<std::string>{"To install TidyCom.dll please click \"Yes\""});
    EXPECT_EQ(folder.read("site.html"), "old\r\n");
    EXPECT_TRUE(shell.opened.empty());
}

} // namespace
