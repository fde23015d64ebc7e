// The fetch record, Sites/<stem>.rec.
#include "pipeline/SiteFileFormat.h"
#include "pipeline/SiteFiles.h"
#include "platform/AtomicFile.h"
#include "platform/Errors.h"
#include "platform/Limits.h"
#include "platform/LocalTime.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
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

void AddField(std::string& text, const char* key, const std::string& value) {
    if (!value.empty())
        text += sitefile::FieldLine(key, value);
}

void TakeField(SiteRecord& record, std::string_view key, std::string_view text) {
    const std::string value(text);
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

std::string FormatSiteRecord(const SiteRecord& record) {
    std::string text;
    AddField(text, "status", FetchStatusName(record.status));
    AddField(text, "attempted", FormatUtc(record.attempted));
    AddField(text, "fetched", FormatUtc(record.fetched));
    AddField(text, "etag", record.etag);
    AddField(text, "last-modified", record.lastModified);
    AddField(text, "retry-after", FormatUtc(record.retryAfter));
    AddField(text, "reason", record.reason);
    return text;
}

SiteRecord ParseSiteRecord(std::string_view text) {
    SiteRecord record;
    sitefile::ReadFields(text, [&record](std::string_view key, std::string_view value) {
        TakeField(record, key, value);
    });
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
    std::string text;
    const int error = sitefile::ReadSiteFile(SiteRecordPath(url), limits::kSiteRecordBytes, text);
    // No record, or no Sites folder to hold one (which the page's writer reports).
    if (error == ENOENT || error == ENOTDIR)
        return {};
    if (error != 0)
        throw Exception("The site's record Sites/" + PageFileStem(url) +
                        ".rec cannot be read: " + std::strerror(error));
    return WithinLimits(ParseSiteRecord(text), now);
}

void WriteSiteRecord(std::string_view url, const SiteRecord& record) {
    AtomicWriteFile(SiteRecordPath(url), FormatSiteRecord(record));
}

} // namespace nimbrel
