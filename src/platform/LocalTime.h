// Moments as the user reads them: in the local time zone of the machine.
#pragma once

#include <ctime>
#include <string>

namespace nimbrel {

// The moment in local time, formatted with strftime's format (at most 63 bytes of result).
std::string LocalTimeText(std::time_t moment, const char* format);

// True when both moments fall on the same local calendar day.
bool SameLocalDay(std::time_t a, std::time_t b);

// "14:05" for a moment on the same local day as now, "2024-04-30 14:05" for any other.
std::string ClockOrDateText(std::time_t moment, std::time_t now);

} // namespace nimbrel
