#include "platform/Errors.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QTimer>
#include <gtest/gtest.h>
#include <stdexcept>

using namespace nimbrel;
using namespace nimbrel::test;

namespace {

TEST(ErrorDisplay, UncaughtErrorsOfAHandlerAreShownAndTheProgramGoesOn) {
    ScriptedDialogs dialogs;
    bool laterHandlerRan = false;
    QTimer::singleShot(0, [] { throw EConvertError("abc"); });
    QTimer::singleShot(0, [] { throw std::runtime_error("out of luck"); });
    QTimer::singleShot(0, [&] { laterHandlerRan = true; });
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(dialogs.errors,
              (std::vector<std::string>{"'abc' is not a valid integer value", "out of luck"}));
    EXPECT_TRUE(laterHandlerRan);
}

} // namespace
