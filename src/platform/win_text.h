// Windows implementation detail: the core's UTF-16 text as the Windows API
// takes it. wchar_t is 16 bits on Windows, so the two are the same bytes.
#pragma once

#include "platform/text.h"

namespace bridgefw::platform {

static_assert(sizeof(wchar_t) == sizeof(WChar), "Windows wide characters are UTF-16 units");

inline const wchar_t* ToWide(const WChar* text) {
  return reinterpret_cast<const wchar_t*>(text);
}
inline wchar_t* ToWide(WChar* text) {
  return reinterpret_cast<wchar_t*>(text);
}
inline const wchar_t* ToWide(const WString& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}
inline const WChar* FromWide(const wchar_t* text) {
  return reinterpret_cast<const WChar*>(text);
}

}  // namespace bridgefw::platform
