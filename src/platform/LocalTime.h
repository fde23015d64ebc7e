// Moments as text: as the user reads them, in the local time zone of the machine, and as files
// and pages keep them, in UTC.
#pragma once

#include <ctime>
#include <string>
#include <string_view>

namespace nimbrel {

// The moment in local time, formatted with strftime's format (at most 63 bytes of result).
std::string LocalTimeText(std::time_t moment, const char* format);

// True when both moments fall on the same local calendar day.
bool SameLocalDay(std::time_t a, std::time_t b);

// "14:05" for a moment on the same local day as now, "2024-04-30 14:05" for any other.
std::string ClockOrDateText(std::time_t moment, std::time_t now);

// A moment as ISO 8601 UTC text ("2024-05-01T12:34:56Z") and back; 0 when it does not read.
std::string FormatUtc(std::time_t moment);
std::time_t ParseUtc(std::string_view text);

} // namespace nimbrel
