// Helpers for window tests.
#pragma once

#include "support/TestSupport.h"

#include <QSize>

namespace nimbrel::test {

// Puts a plain banner picture at icons/banner_vert1.jpg, as the shipped program folder has
// one, so that windows showing the banner start without an error.
void WriteBanner(const TempProgramFolder& folder, QSize size = {114, 314});

} // namespace nimbrel::test
