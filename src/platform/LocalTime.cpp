#include "platform/LocalTime.h"

namespace nimbrel {

std::string LocalTimeText(std::time_t moment, const char* format) {
    std::tm parts{};
    ::localtime_r(&moment, &parts);
    char text[64];
    const size_t length = std::strftime(text, sizeof text, format, &parts);
    return std::string(text, length);
}

bool SameLocalDay(std::time_t a, std::time_t b) {
    return LocalTimeText(a, "%Y-%m-%d") == LocalTimeText(b, "%Y-%m-%d");
}

std::string ClockOrDateText(std::time_t moment, std::time_t now) {
    return LocalTimeText(moment, SameLocalDay(moment, now) ? "%H:%M" : "%Y-%m-%d %H:%M");
}

} // namespace nimbrel
