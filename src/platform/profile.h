// INI file reading with the private-profile rules.
#pragma once

#include <cstdint>

#include "platform/text.h"

namespace bridgefw::platform {

// GetPrivateProfileStringW(section, key, defaultValue, buffer, size, path)
// for one key: section and key match without regard to letter case; blanks
// around the value are removed; one pair of enclosing quotation marks is
// removed; a key present with an empty value gives the empty string; a
// missing file, section or key gives `defaultValue` (null means "").
// The result is cut to size-1 characters and NUL-terminated; the return
// value is the number of characters stored without the terminator.
// Only one key is read: a null section or key gives `defaultValue` (the
// name lists that GetPrivateProfileStringW gives then are not offered).
// POSIX reads UTF-8 files (with or without byte-order mark) and UTF-16LE
// files with byte-order mark. `path` is a core path.
uint32_t ReadProfileString(const WChar* section, const WChar* key, const WChar* defaultValue,
                           WChar* buffer, uint32_t size, const WChar* path);

}  // namespace bridgefw::platform
