#include "pipeline/SiteFiles.h"

#include "platform/Convert.h"
#include "platform/Limits.h"
#include "platform/ProgramFolder.h"
#include "platform/ShortNames.h"

namespace nimbrel {

std::string PageFileStem(std::string_view url) {
    const std::string stem = url.find('/') == std::string_view::npos
                                 ? std::string(url)
                                 : ReplaceAll(ReplaceAll(url, "/", "___"), ":", "...");
    return NameWithinBytes(stem, limits::kPageStemBytes, url);
}

std::string PageFileName(std::string_view url) {
    return PageFileStem(url) + ".dat";
}

namespace {

// Every ending fits beside the stem with room for a temporary name's suffix.
constexpr std::string_view kWaitingShownEnding = ".dig.next";
static_assert(kWaitingShownEnding.size() <= limits::kLongestStemEndingBytes);

std::string SiteFile(const char* folder, std::string_view url, std::string_view ending) {
    return DataFile(folder, PageFileStem(url) + std::string(ending));
}

} // namespace

std::string SitePagePath(std::string_view url) {
    return SiteFile("Sites", url, ".dat");
}

std::string SiteRecordPath(std::string_view url) {
    return SiteFile("Sites", url, ".rec");
}

std::string LastShownPath(std::string_view url) {
    return SiteFile("Sites", url, ".dig");
}

std::string WaitingLastShownPath(std::string_view url) {
    return SiteFile("Sites", url, kWaitingShownEnding);
}

std::string SiteCutPath(std::string_view url) {
    return SiteFile("Work", url, ".dat");
}

std::string CutFailurePath(std::string_view url) {
    return SiteFile("Work", url, ".err");
}

} // namespace nimbrel
