// Files and directories, addressed by core paths (platform/paths.h).
// Failures return false/null and set the thread's last error.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/text.h"

namespace bridgefw::platform {

// CreateDirectoryW(path, no security): true when created; false with
// kErrorAlreadyExists when something of that name exists; false with
// kErrorPathNotFound, kErrorAccessDenied, ... otherwise.
bool CreateDirectoryAt(const WString& path);

struct FileObject;

// Opens `path` for writing: created when missing, not truncated when
// present, not shared: while one opener holds it, another open fails with
// kErrorSharingViolation. (POSIX: an exclusive flock, so only openers that
// use this function, in any process, are kept out.)
FileObject* OpenFileForAppend(const WString& path);
bool SeekFileToEnd(FileObject* file);
// Writes all `size` bytes or fails.
bool WriteFileBytes(FileObject* file, const void* data, size_t size);
// Closes and frees the record, also when it reports a failure.
bool CloseFile(FileObject* file);

// Reads up to `maximum` bytes from the start of the file ("rb").
bool ReadFileBytes(const WString& path, size_t maximum, std::vector<uint8_t>& bytes);

}  // namespace bridgefw::platform
