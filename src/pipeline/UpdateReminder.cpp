#include "pipeline/UpdateReminder.h"

#include "platform/Convert.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/ProgramFolder.h"
#include "platform/Shell.h"
#include "platform/TextFile.h"

#include <cstdint>

namespace nimbrel {

namespace {

constexpr int64_t kFirstReminder = 71;
constexpr int64_t kLastCount = 72;

int64_t StoredCount(const std::string& path) {
    if (!FileExists(path))
        return 1;
    TextReader reader(path);
    std::string line;
    if (!reader.readLine(line))
        return 0;
    try {
        return StrToInt(Trim(line));
    } catch (const EConvertError&) {
        return 0;
    }
}

} // namespace

std::string UpdatePagePath() {
    return ProgramFile("\\update.html");
}

int RunUpdateReminder(bool pageMayOpen) {
    const std::string path = ProgramFile("\\update.dat");
    // Widened so that a stored maximum cannot overflow on the way to the restart.
    const int64_t next = StoredCount(path) + 1;
    if (next >= kFirstReminder && pageMayOpen)
        Shell().openInBrowser(UpdatePagePath());
    const int count = next > kLastCount ? 1 : static_cast<int>(next);
    TextWriter writer(path);
    writer.writeLine(std::to_string(count));
    writer.close();
    return count;
}

} // namespace nimbrel
