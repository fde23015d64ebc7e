#include "pipeline/LastShown.h"

#include "pipeline/PageName.h"
#include "pipeline/SiteRecord.h"
#include "platform/AtomicFile.h"
#include "platform/Convert.h"
#include "platform/Errors.h"
#include "platform/Limits.h"
#include "platform/ProgramFolder.h"

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <optional>

namespace nimbrel {

namespace {

// Blanks around a key or value, and the CR of a CR LF line end.
constexpr std::string_view kLineBlanks = " \t\r";

void TakeLine(LastShown& shown, std::string_view line) {
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos)
        return;
    const std::string_view key = TrimAny(line.substr(0, colon), kLineBlanks);
    const std::string_view value = TrimAny(line.substr(colon + 1), kLineBlanks);
    if (key == "fetched")
        shown.fetched = ParseUtc(value);
    else if (key == "link" && !value.empty())
        shown.links.emplace_back(value);
}

} // namespace

std::string FormatLastShown(const LastShown& shown) {
    std::string text;
    if (shown.fetched > 0)
        text += "fetched: " + FormatUtc(shown.fetched) + "\r\n";
    for (const std::string& link : shown.links)
        text += "link: " + OneLine(link) + "\r\n";
    return text + "\r\n" + shown.block;
}

LastShown ParseLastShown(std::string_view text) {
    LastShown shown;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.empty() || line == "\r")
            break; // the block follows
        TakeLine(shown, line);
    }
    shown.block = text;
    return shown;
}

std::optional<LastShown> ReadLastShown(std::string_view url) {
    std::ifstream file(LastShownPath(url), std::ios::binary);
    if (!file)
        return std::nullopt;
    std::string text(limits::kLastShownBytes + 1, '\0');
    file.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (file.bad())
        return std::nullopt;
    text.resize(static_cast<size_t>(file.gcount()));
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
