// Small file-system questions with the run-time's meaning.
#pragma once

#include <cstdint>
#include <string>

namespace nimbrel {

// True when a regular file (not a folder) exists at the path.
bool FileExists(const std::string& path);

// Size in bytes; raises EInOutError when the file cannot be examined.
uint64_t FileSize(const std::string& path);

// The whole file as bytes; raises EInOutError when it cannot be read.
std::string ReadFileBytes(const std::string& path);

// Deletes the file if it exists; errors are ignored.
void DeleteFileQuietly(const std::string& path);

} // namespace nimbrel
