// Small file helpers of the host program, on native (POSIX) paths.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace bridgefw::cli {

// Reads up to `maximum` bytes of a regular file. `fileSize` receives the
// file's whole size. False with a reason for a missing, unreadable or
// non-regular file.
bool ReadFilePrefix(const std::string& path, size_t maximum, std::vector<uint8_t>& bytes,
                    uint64_t& fileSize, std::string& error);

// Replaces `path` with `bytes` in one step (written beside it, then
// renamed), so that no reader sees half a file.
bool WriteFileReplacing(const std::string& path, const std::vector<uint8_t>& bytes,
                        std::string& error);

// Creates a fresh directory "/tmp/<prefix>.XXXXXX" (or below TMPDIR).
bool MakeTempDirectory(const std::string& prefix, std::string& path, std::string& error);

// Creates a directory and its missing parents.
bool MakeDirectories(const std::string& path, std::string& error);

// The absolute, lexically normal form of a path.
std::string AbsolutePath(const std::string& path);

// The directory of this program's executable.
std::string ExecutableDirectory();

}  // namespace bridgefw::cli
