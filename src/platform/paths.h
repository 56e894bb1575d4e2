// Paths and folders.
//
// The core composes paths the Windows way, with backslashes. On POSIX the
// platform layer translates at the file boundary: a backslash is the
// separator and a path that begins with one backslash starts at the root
// ("\var\lib\x" is /var/lib/x). Paths that the POSIX layer hands to the
// core come in the same form ("/usr/bin/host" becomes "\usr\bin\host").
#pragma once

#include <cstdint>
#include <string>

#include "platform/text.h"

namespace bridgefw::platform {

constexpr uint32_t kMaxPath = 260;

// GetModuleFileNameW(no module, buffer, size): the full path of the
// process's executable. Returns the number of characters written without
// the terminator; 0 on failure; `size` when the path did not fit (the
// buffer then holds the first size-1 characters and a terminator, and the
// last error is kErrorInsufficientBuffer).
uint32_t GetExecutablePath(WChar* buffer, uint32_t size);

// SHGetFolderPathW(no window, CSIDL_COMMON_APPDATA | CSIDL_FLAG_CREATE,
// no token, 0, buffer): the machine-wide application-data folder without
// trailing backslash, created when missing. 0 or above on success, a
// negative value on failure. `buffer` holds kMaxPath characters.
// POSIX: the PROGRAMDATA environment variable when set and not empty,
// else /var/lib.
int32_t GetCommonAppDataFolder(WChar* buffer);

// The native form of a core path (POSIX: backslashes become slashes;
// Windows: unchanged, as UTF-8).
std::string NativePath(const WString& corePath);
// The core form of a native path.
WString CorePath(const std::string& nativePath);

}  // namespace bridgefw::platform
