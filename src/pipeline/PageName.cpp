#include "pipeline/PageName.h"

#include "platform/Convert.h"

namespace nimbrel {

std::string PageFileStem(std::string_view url) {
    if (url.find('/') == std::string_view::npos)
        return std::string(url);
    return ReplaceAll(ReplaceAll(url, "/", "___"), ":", "...");
}

std::string PageFileName(std::string_view url) {
    return PageFileStem(url) + ".dat";
}

} // namespace nimbrel
