// Text as the core holds it: UTF-16 code units in char16_t, never wchar_t
// (which is 32-bit on Linux). Conversions to and from UTF-8 for the POSIX
// layer and for tests.
#pragma once

#include <string>

namespace bridgefw {

using WChar = char16_t;
using WString = std::u16string;

// UTF-8 -> UTF-16. Invalid sequences become U+FFFD.
WString WidenUtf8(const std::string& utf8);
// UTF-16 -> UTF-8. Unpaired surrogates become U+FFFD.
std::string NarrowUtf8(const WString& text);

// Length of a NUL-terminated UTF-16 string; 0 for null.
size_t WLength(const WChar* text);

}  // namespace bridgefw
