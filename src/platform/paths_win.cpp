// windows.h comes before every other system header.
#include <windows.h>

#include <shlobj.h>

#include "platform/error.h"
#include "platform/fault.h"
#include "platform/paths.h"
#include "platform/win_text.h"

namespace bridgefw::platform {
namespace {

// CSIDL_COMMON_APPDATA | CSIDL_FLAG_CREATE.
constexpr int kCommonAppDataCreate = 0x8023;

int32_t HresultFromError(uint32_t code) {
  return static_cast<int32_t>(0x80070000u | (code & 0xFFFFu));
}

}  // namespace

uint32_t GetExecutablePath(WChar* buffer, uint32_t size) {
  if (ShouldFail(FaultSite::kExecutablePath)) {
    SetLastErrorCode(kErrorFileNotFound);
    return 0;
  }
  return ::GetModuleFileNameW(nullptr, ToWide(buffer), size);
}

int32_t GetCommonAppDataFolder(WChar* buffer) {
  if (ShouldFail(FaultSite::kAppDataFolder)) {
    SetLastErrorCode(kErrorPathNotFound);
    return HresultFromError(kErrorPathNotFound);
  }
  if (buffer == nullptr) {
    SetLastErrorCode(kErrorInvalidParameter);
    return HresultFromError(kErrorInvalidParameter);
  }
  return ::SHGetFolderPathW(nullptr, kCommonAppDataCreate, nullptr, 0, ToWide(buffer));
}

std::string NativePath(const WString& corePath) {
  return NarrowUtf8(corePath);
}

WString CorePath(const std::string& nativePath) {
  return WidenUtf8(nativePath);
}

}  // namespace bridgefw::platform
