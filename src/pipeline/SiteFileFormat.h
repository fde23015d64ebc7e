// The text form shared by a site's files (SiteFiles.h); for their readers and writers only.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace nimbrel::sitefile {

// One "key: value" line: the value kept on its line (OneLine), ended by CR LF.
std::string FieldLine(std::string_view key, std::string_view value);

using FieldTaker = std::function<void(std::string_view key, std::string_view value)>;

// Calls `take` with the key and value of every "key: value" line of the text, blanks (and a
// CR) around each trimmed; lines without a colon are passed over. Lines end at CR or LF.
void ReadFields(std::string_view text, const FieldTaker& take);

// The same for a head of fields before a body: lines end at LF, the first empty line ends the
// head, and the body after it is returned.
std::string_view ReadHeadFields(std::string_view text, const FieldTaker& take);

// Reads at most `limit` bytes of the file into `text`. Returns 0 when read, else the errno of
// the failure: ENOENT or ENOTDIR when there is no such file (nor a folder to hold one), EISDIR
// when a folder stands in its place.
int ReadSiteFile(const std::string& path, size_t limit, std::string& text);

} // namespace nimbrel::sitefile
