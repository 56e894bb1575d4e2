
// windows.h comes before every other system header.
#include <windows.h>

#include <algorithm>

#include "platform/error.h"
#include "platform/fault.h"
#include "platform/file.h"
#include "platform/win_text.h"

// An injected fault makes a call fail without touching the system, with the
// last error that its most likely real failure gives:
//   kCreateDirectory  kErrorAccessDenied      kOpenFile   kErrorAccessDenied
//   kSeekFile         kErrorInvalidParameter  kWriteFile  kErrorDiskFull
//   kCloseFile        kErrorWriteFault        kReadFile   kErrorFileNotFound
// An injected close failure still closes and frees the file.

namespace bridgefw::platform {

struct FileObject {
  HANDLE handle = INVALID_HANDLE_VALUE;
};

bool CreateDirectoryAt(const WString& path) {
  if (ShouldFail(FaultSite::kCreateDirectory)) {
    SetLastErrorCode(kErrorAccessDenied);
    return false;
  }
  return ::CreateDirectoryW(ToWide(path), nullptr) != 0;
}

FileObject* OpenFileForAppend(const WString& path) {
  if (ShouldFail(FaultSite::kOpenFile)) {
    SetLastErrorCode(kErrorAccessDenied);
    return nullptr;
  }
  // No sharing: while the file is open, every other open fails.
  const HANDLE handle = ::CreateFileW(ToWide(path), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  auto* file = new (std::nothrow) FileObject{handle};
  if (file == nullptr) {
    ::CloseHandle(handle);
    SetLastErrorCode(kErrorNotEnoughMemory);
  }
  return file;
}

bool SeekFileToEnd(FileObject* file) {
  if (ShouldFail(FaultSite::kSeekFile)) {
    SetLastErrorCode(kErrorInvalidParameter);
    return false;
  }
  if (file == nullptr) {
    SetLastErrorCode(kErrorInvalidHandle);
    return false;
  }
  LARGE_INTEGER zero{};
  return ::SetFilePointerEx(file->handle, zero, nullptr, FILE_END) != 0;
}

bool WriteFileBytes(FileObject* file, const void* data, size_t size) {
  if (ShouldFail(FaultSite::kWriteFile)) {
    SetLastErrorCode(kErrorDiskFull);
    return false;
  }
  if (file == nullptr) {
    SetLastErrorCode(kErrorInvalidHandle);
    return false;
  }
  const auto* bytes = static_cast<const unsigned char*>(data);
  while (size > 0) {
    const auto chunk = static_cast<DWORD>(std::min<size_t>(size, 0x10000000));
    DWORD written = 0;
    if (::WriteFile(file->handle, bytes, chunk, &written, nullptr) == 0) return false;
    if (written == 0) {
      SetLastErrorCode(kErrorWriteFault);
      return false;
    }
    bytes += written;
    size -= written;
  }
  return true;
}

bool CloseFile(FileObject* file) {
  if (file == nullptr) {
    SetLastErrorCode(kErrorInvalidHandle);
    return false;
  }
  const bool injected = ShouldFail(FaultSite::kCloseFile);
  const bool closed = ::CloseHandle(file->handle) != 0;
  delete file;
  if (injected) {
    SetLastErrorCode(kErrorWriteFault);
    return false;
  }
  return closed;
}

bool ReadFileBytes(const WString& path, size_t maximum, std::vector<uint8_t>& bytes) {
  bytes.clear();
  if (ShouldFail(FaultSite::kReadFile)) {
    SetLastErrorCode(kErrorFileNotFound);
    return false;
  }
  const HANDLE handle =
      ::CreateFileW(ToWide(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  unsigned char chunk[65536];
  while (bytes.size() < maximum) {
    const auto want = static_cast<DWORD>(std::min(sizeof chunk, maximum - bytes.size()));
    DWORD got = 0;
    if (::ReadFile(handle, chunk, want, &got, nullptr) == 0) {
      ok = false;
      break;
    }
    if (got == 0) break;
    bytes.insert(bytes.end(), chunk, chunk + got);
  }
  const DWORD error = ::GetLastError();
  ::CloseHandle(handle);
  if (!ok) {
    bytes.clear();
    SetLastErrorCode(error);
  }
  return ok;
}

}  // namespace bridgefw::platform
