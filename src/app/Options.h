// The option file options.nmo: the download interval and automatic display, two CR LF lines
// "Interval:<seconds>" and "AutoView:True|False". Values are found by line position alone.
#pragma once

#include <cstdint>
#include <string>

namespace nimbrel {

// Program folder + "\\options.nmo".
std::string OptionFilePath();

// Reads the option file into the two values, in the main window's order: autoView becomes true
// first; a missing file changes nothing else. Line 1 holding "Interval" gives the interval from
// its tenth character on; line 2 holding "AutoView" gives true only for exactly "True" from its
// tenth character on. A bad interval raises EConvertError with the interval unchanged and the
// second line unread; a file that cannot be read raises EInOutError.
void LoadOptionsFile(const std::string& path, int32_t& intervalSeconds, bool& autoView);

// Replaces the option file atomically; raises EInOutError ("File access denied", "Disk full")
// and leaves the old file whole when it cannot be written.
void SaveOptionsFile(const std::string& path, int32_t intervalSeconds, bool autoView);

} // namespace nimbrel
