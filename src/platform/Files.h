// Small file-system questions with the run-time's meaning.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

namespace nimbrel {

// True when a regular file (not a folder) exists at the path.
bool FileExists(const std::string& path);

// Size in bytes; raises EInOutError when the file cannot be examined.
uint64_t FileSize(const std::string& path);

// When the file was last written (UTC seconds); 0 when it cannot be examined.
std::time_t FileModifiedTime(const std::string& path);

// The whole file as bytes; raises EInOutError when it cannot be read.
std::string ReadFileBytes(const std::string& path);

// Deletes the file if it exists; errors are ignored.
void DeleteFileQuietly(const std::string& path);

// Called once at start: a write past the process's file-size limit then fails with EFBIG (an
// error with a message, the old file kept) instead of SIGXFSZ ending the program unannounced.
void LetFileSizeLimitFailWrites();

} // namespace nimbrel
