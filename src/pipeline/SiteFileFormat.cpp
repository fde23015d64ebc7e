#include "pipeline/SiteFileFormat.h"

#include "platform/Convert.h"

#include <cerrno>
#include <cstdio>
#include <memory>

namespace nimbrel::sitefile {

namespace {

// Blanks around a key or value, and the CR of a CR LF line end.
constexpr std::string_view kLineBlanks = " \t\r";

void TakeField(std::string_view line, const FieldTaker& take) {
    const size_t colon = line.find(':');
    if (colon != std::string_view::npos)
        take(TrimAny(line.substr(0, colon), kLineBlanks),
             TrimAny(line.substr(colon + 1), kLineBlanks));
}

} // namespace

std::string FieldLine(std::string_view key, std::string_view value) {
    return std::string(key) + ": " + OneLine(std::string(value)) + "\r\n";
}

void ReadFields(std::string_view text, const FieldTaker& take) {
    while (!text.empty()) {
        const size_t end = text.find_first_of("\r\n");
        TakeField(text.substr(0, end), take);
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
}

std::string_view ReadHeadFields(std::string_view text, const FieldTaker& take) {
    while (!text.empty()) {
        const size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.empty() || line == "\r")
            break; // the body follows
        TakeField(line, take);
    }
    return text;
}

int ReadSiteFile(const std::string& path, size_t limit, std::string& text) {
    const std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file)
        return errno;
    text.assign(limit, '\0');
    const size_t read = std::fread(text.data(), 1, text.size(), file.get());
    if (std::ferror(file.get()))
        return errno ? errno : EIO;
    text.resize(read);
    return 0;
}

} // namespace nimbrel::sitefile
