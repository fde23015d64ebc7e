// What the last digest showed of a site, Sites/<stem>.dig, and its waiting copy.
#include "pipeline/SiteFileFormat.h"
#include "pipeline/SiteFiles.h"
#include "platform/AtomicFile.h"
#include "platform/Errors.h"
#include "platform/Limits.h"
#include "platform/LocalTime.h"

#include <cerrno>
#include <cstdio>
#include <optional>

namespace nimbrel {

std::string FormatLastShown(const LastShown& shown) {
    std::string text;
    if (shown.fetched > 0)
        text += sitefile::FieldLine("fetched", FormatUtc(shown.fetched));
    for (const std::string& link : shown.links)
        text += sitefile::FieldLine("link", link);
    return text + "\r\n" + shown.block;
}

LastShown ParseLastShown(std::string_view text) {
    LastShown shown;
    shown.block =
        sitefile::ReadHeadFields(text, [&shown](std::string_view key, std::string_view value) {
            if (key == "fetched")
                shown.fetched = ParseUtc(value);
            else if (key == "link" && !value.empty())
                shown.links.emplace_back(value);
        });
    return shown;
}

std::optional<LastShown> ReadLastShown(std::string_view url) {
    std::string text;
    if (sitefile::ReadSiteFile(LastShownPath(url), limits::kLastShownBytes + 1, text) != 0)
        return std::nullopt;
    LastShown shown = ParseLastShown(text);
    if (text.size() > limits::kLastShownBytes)
        shown.block.clear(); // cut short: only whole blocks are shown
    return shown;
}

namespace {

void WriteRecord(const std::string& path, const LastShown& shown) {
    if (shown.block.size() <= limits::kKeptBlockBytes) {
        AtomicWriteFile(path, FormatLastShown(shown));
        return;
    }
    LastShown linksOnly = shown;
    linksOnly.block.clear();
    AtomicWriteFile(path, FormatLastShown(linksOnly));
}

} // namespace

void WriteWaitingLastShown(std::string_view url, const LastShown& shown) {
    WriteRecord(WaitingLastShownPath(url), shown);
}

std::string PendingRecordsLost(size_t sites, const std::string& reason) {
    return "site.html was written, but what it showed of " + std::to_string(sites) +
           (sites == 1 ? " site" : " sites") +
           " could not be kept (its items are marked new again next time): " + reason;
}

void KeepWaitingLastShown(const std::vector<std::string>& urls) {
    std::optional<EInOutError> first;
    size_t failed = 0;
    for (const std::string& url : urls) {
        if (std::rename(WaitingLastShownPath(url).c_str(), LastShownPath(url).c_str()) == 0)
            continue;
        ++failed;
        try {
            RaiseInOutError(errno, LastShownPath(url));
        } catch (const EInOutError& error) {
            if (!first)
                first = error;
        }
        std::remove(WaitingLastShownPath(url).c_str());
    }
    if (first)
        throw Exception(PendingRecordsLost(failed, first->message()));
}

void DropWaitingLastShown(const std::vector<std::string>& urls) {
    for (const std::string& url : urls)
        std::remove(WaitingLastShownPath(url).c_str());
}

} // namespace nimbrel
