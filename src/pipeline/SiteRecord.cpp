#include "pipeline/SiteRecord.h"

#include "pipeline/PageName.h"
#include "platform/AtomicFile.h"
#include "platform/Convert.h"
#include "platform/Errors.h"
#include "platform/Limits.h"
#include "platform/ProgramFolder.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>

namespace nimbrel {

namespace {

constexpr std::array<std::pair<FetchStatus, const char*>, 5> kStatusNames = {{
    {FetchStatus::Ok, "ok"},
    {FetchStatus::NotModified, "not-modified"},
    {FetchStatus::Failed, "failed"},
    {FetchStatus::Deferred, "deferred"},
    {FetchStatus::Stopped, "stopped"},
}};

FetchStatus StatusNamed(std::string_view name) {
    for (const auto& [status, text] : kStatusNames)
        if (name == text)
            return status;
    return FetchStatus::Never;
}

void AddLine(std::string& text, const char* key, const std::string& value) {
    if (!value.empty())
        text += std::string(key) + ": " + OneLine(value) + "\r\n";
}

std::string_view TrimLine(std::string_view line) {
    return TrimAny(line, " \t\r");
}

void TakeLine(SiteRecord& record, std::string_view line) {
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos)
        return;
    const std::string_view key = TrimLine(line.substr(0, colon));
    const std::string value(TrimLine(line.substr(colon + 1)));
    if (key == "status")
        record.status = StatusNamed(value);
    else if (key == "etag")
        record.etag = value;
    else if (key == "last-modified")
        record.lastModified = value;
    else if (key == "retry-after")
        record.retryAfter = ParseUtc(value);
    else if (key == "reason")
        record.reason = value;
    else if (key == "attempted")
        record.attempted = ParseUtc(value);
    else if (key == "fetched")
        record.fetched = ParseUtc(value);
}

} // namespace

std::string FetchStatusName(FetchStatus status) {
    for (const auto& [known, text] : kStatusNames)
        if (status == known)
            return text;
    return {};
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

std::string FormatSiteRecord(const SiteRecord& record) {
    std::string text;
    AddLine(text, "status", FetchStatusName(record.status));
    AddLine(text, "attempted", FormatUtc(record.attempted));
    AddLine(text, "fetched", FormatUtc(record.fetched));
    AddLine(text, "etag", record.etag);
    AddLine(text, "last-modified", record.lastModified);
    AddLine(text, "retry-after", FormatUtc(record.retryAfter));
    AddLine(text, "reason", record.reason);
    return text;
}

SiteRecord ParseSiteRecord(std::string_view text) {
    SiteRecord record;
    while (!text.empty()) {
        const size_t end = text.find_first_of("\r\n");
        TakeLine(record, text.substr(0, end));
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    return record;
}

SiteRecord WithinLimits(SiteRecord record, std::time_t now) {
    record.retryAfter =
        std::min<std::time_t>(record.retryAfter, now + limits::kLongestDeferralSeconds);
    for (std::string* validator : {&record.etag, &record.lastModified})
        if (validator->size() > limits::kValidatorBytes)
            validator->clear();
    return record;
}

SiteRecord ReadSiteRecord(std::string_view url, std::time_t now) {
    const std::string path = SiteRecordPath(url);
    std::string text(limits::kSiteRecordBytes, '\0');
    const std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    int error = errno;
    // No record, or no Sites folder to hold one (which the page's writer reports).
    if (!file && (error == ENOENT || error == ENOTDIR))
        return {};
    const size_t read = file ? std::fread(text.data(), 1, text.size(), file.get()) : 0;
    if (file && std::ferror(file.get()))
        error = errno;
    if (!file || std::ferror(file.get()))
        throw Exception("The site's record Sites/" + PageFileStem(url) +
                        ".rec cannot be read: " + std::strerror(error));
    text.resize(read);
    return WithinLimits(ParseSiteRecord(text), now);
}

void WriteSiteRecord(std::string_view url, const SiteRecord& record) {
    AtomicWriteFile(SiteRecordPath(url), FormatSiteRecord(record));
}

} // namespace nimbrel
