#include "platform/LocalTime.h"

#include <cstdio>

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

std::string FormatUtc(std::time_t moment) {
    std::tm parts{};
    if (moment <= 0 || !::gmtime_r(&moment, &parts))
        return {};
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}

std::time_t ParseUtc(std::string_view text) {
    std::tm parts{};
    char zone = 0;
    int consumed = 0;
    const std::string copy(text);
    if (copy.size() != 20 ||
        std::sscanf(copy.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c%n", &parts.tm_year, &parts.tm_mon,
                    &parts.tm_mday, &parts.tm_hour, &parts.tm_min, &parts.tm_sec, &zone,
                    &consumed) != 7 ||
        consumed != 20 || zone != 'Z')
        return 0;
    if (parts.tm_year < 1970 || parts.tm_mon < 1 || parts.tm_mon > 12 || parts.tm_mday < 1 ||
        parts.tm_mday > 31 || parts.tm_hour > 23 || parts.tm_min > 59 || parts.tm_sec > 60)
        return 0;
    parts.tm_year -= 1900;
    parts.tm_mon -= 1;
    const std::time_t moment = ::timegm(&parts);
    return moment > 0 ? moment : 0;
}

} // namespace nimbrel
