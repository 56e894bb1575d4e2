
// windows.h comes before every other system header.
#include <windows.h>

#include "platform/profile.h"
#include "platform/win_text.h"

namespace bridgefw::platform {

uint32_t ReadProfileString(const WChar* section, const WChar* key, const WChar* defaultValue,
                           WChar* buffer, uint32_t size, const WChar* path) {
  if (buffer == nullptr || size == 0) return 0;
  // With a null section or key the system lists names; only one key is
  // offered here.
  if (section == nullptr || key == nullptr || path == nullptr) {
    const WString fallback = defaultValue != nullptr ? WString(defaultValue) : WString();
    const size_t count = fallback.size() < size ? fallback.size() : size - 1;
    fallback.copy(buffer, count);
    buffer[count] = 0;
    return static_cast<uint32_t>(count);
  }
  return ::GetPrivateProfileStringW(ToWide(section), ToWide(key),
                                    defaultValue != nullptr ? ToWide(defaultValue) : L"",
                                    ToWide(buffer), size, ToWide(path));
}

}  // namespace bridgefw::platform
