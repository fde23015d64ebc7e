// The option file options.nmo: the download interval and automatic display, two CR LF lines
// "Interval:<seconds>" and "AutoView:True|False" found by line position alone, then lines of
// "Key:Value" found by their key, of which the reader knows "NewStoryNotice:True|False" and
// ignores any other. A program that reads only the first two lines reads this file as ever.
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
// The same, and the notice of new stories from the lines after the second: true first; a line
// "NewStoryNotice:" followed by exactly "True" keeps it, by anything else turns it off; no such
// line (a file of two lines) leaves it on. Lines with other keys are ignored.
void LoadOptionsFile(const std::string& path, int32_t& intervalSeconds, bool& autoView,
                     bool& newStoryNotice);

// The interval the preferences window shows checked, in minutes: the interval's whole minutes
// when they are one of its choices (15, 20 ... 40), otherwise 15.
int32_t ShownIntervalMinutes(int32_t intervalSeconds, int32_t secondsPerMinute);

// How often the download timer starts a cycle, in seconds: the interval while the preferences
// window shows it, otherwise the 15 minutes the window then shows (an interval typed into the
// file by hand, 1 or 600, never runs cycles other than the window says); never below
// limits::kShortestDownloadPeriodSeconds.
int32_t DownloadPeriodSeconds(int32_t intervalSeconds, int32_t secondsPerMinute);

// Replaces the option file atomically; raises EInOutError ("File access denied", "Disk full")
// and leaves the old file whole when it cannot be written.
void SaveOptionsFile(const std::string& path, int32_t intervalSeconds, bool autoView,
                     bool newStoryNotice = true);

} // namespace nimbrel
