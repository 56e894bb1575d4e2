#include "platform/error.h"

namespace bridgefw::platform {
namespace {

// Trivially destructible, so no thread-exit destructor is registered for it.
thread_local uint32_t t_lastError = kErrorSuccess;

struct MessageEntry {
  uint32_t code;
  const char16_t* text;
};

// The texts Windows gives for the codes this layer sets.
constexpr MessageEntry kMessages[] = {
    {kErrorSuccess, u"The operation completed successfully.\r\n"},
    {kErrorFileNotFound, u"The system cannot find the file specified.\r\n"},
    {kErrorPathNotFound, u"The system cannot find the path specified.\r\n"},
    {kErrorAccessDenied, u"Access is denied.\r\n"},
    {kErrorInvalidHandle, u"The handle is invalid.\r\n"},
    {kErrorNotEnoughMemory,
     u"Not enough memory resources are available to process this command.\r\n"},
    {kErrorWriteFault, u"The system cannot write to the specified device.\r\n"},
    {kErrorSharingViolation,
     u"The process cannot access the file because it is being used by another process.\r\n"},
    {kErrorNotSupported, u"The request is not supported.\r\n"},
    {kErrorInvalidParameter, u"The parameter is incorrect.\r\n"},
    {kErrorDiskFull, u"There is not enough space on the disk.\r\n"},
    {kErrorInsufficientBuffer, u"The data area passed to a system call is too small.\r\n"},
    {kErrorModNotFound, u"The specified module could not be found.\r\n"},
    {kErrorProcNotFound, u"The specified procedure could not be found.\r\n"},
    {kErrorAlreadyExists, u"Cannot create a file when that file already exists.\r\n"},
    {kErrorFilenameExcedRange, u"The filename or extension is too long.\r\n"},
    {kErrorTooManyPosts, u"Too many posts were made to a semaphore.\r\n"},
    {kErrorNoSystemResources,
     u"Insufficient system resources exist to complete the requested service.\r\n"},
};

}  // namespace

uint32_t GetLastErrorCode() {
  return t_lastError;
}

void SetLastErrorCode(uint32_t code) {
  t_lastError = code;
}

bool SystemMessageText(uint32_t code, WString& text) {
  for (const auto& entry : kMessages) {
    if (entry.code == code) {
      text = entry.text;
      return true;
    }
  }
  return false;
}

}  // namespace bridgefw::platform

#include <cerrno>

#include "platform/errno_posix.h"

namespace bridgefw::platform {

uint32_t ErrorFromErrno(int err) {
  switch (err) {
    case 0:
      return kErrorSuccess;
    case ENOENT:
      return kErrorFileNotFound;
    case ENOTDIR:
      return kErrorPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
      return kErrorAccessDenied;
    case EBADF:
      return kErrorInvalidHandle;
    case ENOMEM:
      return kErrorNotEnoughMemory;
    case EIO:
      return kErrorWriteFault;
    case EWOULDBLOCK:
    case EBUSY:
      return kErrorSharingViolation;
    case ENOTSUP:
      return kErrorNotSupported;
    case EINVAL:
      return kErrorInvalidParameter;
    case ENOSPC:
    case EDQUOT:
      return kErrorDiskFull;
    case EEXIST:
      return kErrorAlreadyExists;
    case ENAMETOOLONG:
      return kErrorFilenameExcedRange;
    default:
      return kErrorNoSystemResources;
  }
}

void SetLastErrorFromErrno(int err) {
  SetLastErrorCode(ErrorFromErrno(err));
}

}  // namespace bridgefw::platform

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace bridgefw::platform {

void DebugTrace(const WString& text) {
  static const bool enabled = [] {
    const char* flag = std::getenv("BRIDGEFW_DEBUG_TRACE");
    return flag != nullptr && std::strcmp(flag, "1") == 0;
  }();
  if (!enabled) return;
  const std::string line = NarrowUtf8(text);
  std::fwrite(line.data(), 1, line.size(), stderr);
  if (line.empty() || line.back() != '\n') std::fputc('\n', stderr);
}

}  // namespace bridgefw::platform
