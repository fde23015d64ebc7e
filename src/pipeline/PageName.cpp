#include "pipeline/PageName.h"

#include "platform/Convert.h"
#include "platform/Limits.h"
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

} // namespace nimbrel
