// GUI tests run with a real QApplication on the offscreen platform. The main window refuses to
// start without a help viewer, so every GUI test gets the recording stand-in.
#include "support/HelpCallLog.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    nimbrel::test::UseRecordingHelpModule();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
