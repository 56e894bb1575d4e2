// The process's environment block (GetEnvironmentVariableW): shared by the
// plugin and its host whatever C runtime each of them uses.

// windows.h comes before every other system header.
#include <windows.h>

#include <vector>

#include "platform/environment.h"
#include "platform/win_text.h"

namespace bridgefw::platform {

std::string EnvironmentValue(const char* name) {
  const WString wideName = WidenUtf8(name);
  std::vector<wchar_t> buffer(256);
  for (;;) {
    const DWORD length = ::GetEnvironmentVariableW(ToWide(wideName), buffer.data(),
                                                   static_cast<DWORD>(buffer.size()));
    if (length == 0) return std::string();
    if (length < buffer.size()) return NarrowUtf8(WString(FromWide(buffer.data()), length));
    buffer.resize(length);
  }
}

bool SetEnvironmentValue(const char* name, const char* value) {
  const WString wideName = WidenUtf8(name);
  if (value == nullptr) return ::SetEnvironmentVariableW(ToWide(wideName), nullptr) != 0;
  const WString wideValue = WidenUtf8(value);
  return ::SetEnvironmentVariableW(ToWide(wideName), ToWide(wideValue)) != 0;
}

}  // namespace bridgefw::platform
