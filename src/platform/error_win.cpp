
// windows.h comes before every other system header.
#include <windows.h>

#include "platform/error.h"
#include "platform/win_text.h"

namespace bridgefw::platform {

uint32_t GetLastErrorCode() {
  return ::GetLastError();
}

void SetLastErrorCode(uint32_t code) {
  ::SetLastError(code);
}

bool SystemMessageText(uint32_t code, WString& text) {
  wchar_t* buffer = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPWSTR>(&buffer),
      0, nullptr);
  if (length == 0 || buffer == nullptr) return false;
  text.assign(FromWide(buffer), length);
  ::LocalFree(buffer);
  return true;
}

void DebugTrace(const WString& text) {
  ::OutputDebugStringW(ToWide(text));
}

}  // namespace bridgefw::platform
