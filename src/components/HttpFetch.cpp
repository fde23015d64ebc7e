#include "components/HttpFetch.h"

#include "components/HttpTransfers.h"

#include <unistd.h>

namespace nimbrel {

HttpBounds DefaultHttpBounds() {
    return HttpBoundsSlot::current();
}

HttpResult HttpGet(const HttpRequest& request, const HttpBounds& bounds) {
    HttpTransfers transfers(bounds, 1, 1);
    transfers.add(request);
    HttpResult result;
    transfers.run({{}, [&](HttpTransfers::Id, const HttpResult& ended) { result = ended; }});
    if (result.sinkError)
        std::rethrow_exception(result.sinkError);
    return result;
}

std::string ExecutableFileName() {
    char path[4096];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return "nimbrel";
    const std::string full(path, static_cast<size_t>(length));
    return full.substr(full.find_last_of('/') + 1);
}

std::string ProgramUserAgent() {
    return std::string("Nimbrel/") + NIMBREL_VERSION + " (" + ExecutableFileName() + ")";
}

} // namespace nimbrel
