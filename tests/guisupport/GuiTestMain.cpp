// GUI tests run with the program's own application object on the offscreen platform, so an
// error no handler catches reaches the error display as in the program. The main window refuses
// to start without a help viewer, so every GUI test gets the recording stand-in.
#include "app/gui/NimbrelApplication.h"
#include "support/HelpCallLog.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    TNimbrelApplication app(argc, argv);
    nimbrel::test::UseRecordingHelpModule();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
