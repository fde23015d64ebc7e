// The cut failure note, Work/<stem>.err: the reason alone.
#include "pipeline/SiteFileFormat.h"
#include "pipeline/SiteFiles.h"
#include "platform/AtomicFile.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/Limits.h"

#include <cerrno>

namespace nimbrel {

void RecordCutFailure(std::string_view url, std::string_view reason) {
    AtomicWriteFile(CutFailurePath(url), reason);
}

void ClearCutFailure(std::string_view url) {
    DeleteFileQuietly(CutFailurePath(url));
}

std::optional<std::string> ReadCutFailureNote(std::string_view url) {
    const std::string path = CutFailurePath(url);
    std::string reason;
    // A note is far shorter than a record; only a file that is not the program's is longer.
    const int error = sitefile::ReadSiteFile(path, limits::kSiteRecordBytes, reason);
    if (error == ENOENT || error == ENOTDIR || error == EISDIR)
        return std::nullopt;
    if (error != 0)
        RaiseInOutError(error, path);
    return reason;
}

} // namespace nimbrel
