// The unit serial number page (80h) as a serial number: pure functions over
// the bytes the device returned.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/text.h"

namespace bridgefw {

// The serial number bytes of the page in `buffer` (of `size` bytes, the
// page header included): n = bytes 2 and 3 (most significant first), at
// most size - 4; each byte becomes one character of the same value; the
// text ends at its first zero byte. Empty when `size` is below 4.
WString SerialNumberFromPage(const uint8_t* buffer, size_t size);

// Removes trailing, then leading white space (blank and 9 to 13), then every
// "ZT-" in one left-to-right pass: the search goes on where a removal took
// place, so an occurrence that a removal brings together stays.
WString CleanSerialNumber(const WString& raw);

}  // namespace bridgefw
