// Helpers for window tests.
#pragma once

#include "support/TestSupport.h"

#include <QSize>

#include <functional>

namespace nimbrel::test {

// Puts a plain banner picture at icons/banner_vert1.jpg, as the shipped program folder has
// one, so that windows showing the banner start without an error.
void WriteBanner(const TempProgramFolder& folder, QSize size = {114, 314});

// Runs the event loop until the condition holds; false when it still does not after `ms`.
bool WaitUntil(const std::function<bool()>& condition, int ms = 10000);

} // namespace nimbrel::test
