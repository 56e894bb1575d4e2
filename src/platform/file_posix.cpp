#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <new>

#include "platform/errno_posix.h"
#include "platform/error.h"
#include "platform/fault.h"
#include "platform/file.h"
#include "platform/paths.h"

// An injected fault makes a call fail without touching the system, with the
// last error that its most likely real failure gives:
//   kCreateDirectory  kErrorAccessDenied      kOpenFile   kErrorAccessDenied
//   kSeekFile         kErrorInvalidParameter  kWriteFile  kErrorDiskFull
//   kCloseFile        kErrorWriteFault        kReadFile   kErrorFileNotFound
// An injected close failure still closes and frees the file.

namespace bridgefw::platform {

struct FileObject {
  int fd = -1;
};

namespace {

// Windows reports a missing parent directory as "path not found"; POSIX
// gives ENOENT, which the generic mapping turns into "file not found".
void SetLastErrorFromPathErrno(int err) {
  if (err == ENOENT) {
    SetLastErrorCode(kErrorPathNotFound);
  } else {
    SetLastErrorFromErrno(err);
  }
}

}  // namespace

bool CreateDirectoryAt(const WString& path) {
  if (ShouldFail(FaultSite::kCreateDirectory)) {
    SetLastErrorCode(kErrorAccessDenied);
    return false;
  }
  if (path.empty()) {
    SetLastErrorCode(kErrorPathNotFound);
    return false;
  }
  if (mkdir(NativePath(path).c_str(), 0777) != 0) {
    SetLastErrorFromPathErrno(errno);
    return false;
  }
  return true;
}

FileObject* OpenFileForAppend(const WString& path) {
  if (ShouldFail(FaultSite::kOpenFile)) {
    SetLastErrorCode(kErrorAccessDenied);
    return nullptr;
  }
  if (path.empty()) {
    SetLastErrorCode(kErrorPathNotFound);
    return nullptr;
  }
  int fd = -1;
  do {
    fd = open(NativePath(path).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    SetLastErrorFromPathErrno(errno);
    return nullptr;
  }
  // No sharing: an exclusive lock that a second opener cannot get.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int err = errno;
    close(fd);
    if (err == EWOULDBLOCK) {
      SetLastErrorCode(kErrorSharingViolation);
    } else {
      SetLastErrorFromErrno(err);
    }
    return nullptr;
  }
  auto* file = new (std::nothrow) FileObject;
  if (file == nullptr) {
    close(fd);
    SetLastErrorCode(kErrorNotEnoughMemory);
    return nullptr;
  }
  file->fd = fd;
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
  if (lseek(file->fd, 0, SEEK_END) < 0) {
    SetLastErrorFromErrno(errno);
    return false;
  }
  return true;
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
  if (data == nullptr && size != 0) {
    SetLastErrorCode(kErrorInvalidParameter);
    return false;
  }
  const auto* bytes = static_cast<const char*>(data);
  size_t done = 0;
  while (done < size) {
    const ssize_t n = write(file->fd, bytes + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      SetLastErrorFromErrno(errno);
      return false;
    }
    if (n == 0) {
      // Nothing taken and no error: the device is full.
      SetLastErrorCode(kErrorDiskFull);
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

bool CloseFile(FileObject* file) {
  if (file == nullptr) {
    SetLastErrorCode(kErrorInvalidHandle);
    return false;
  }
  const bool injected = ShouldFail(FaultSite::kCloseFile);
  // Closing releases the lock. close() is not retried on EINTR: on Linux
  // the descriptor is gone either way.
  const int result = close(file->fd);
  const int err = errno;
  delete file;
  if (injected) {
    SetLastErrorCode(kErrorWriteFault);
    return false;
  }
  if (result != 0 && err != EINTR) {
    SetLastErrorFromErrno(err);
    return false;
  }
  return true;
}

bool ReadFileBytes(const WString& path, size_t maximum, std::vector<uint8_t>& bytes) {
  bytes.clear();
  if (ShouldFail(FaultSite::kReadFile)) {
    SetLastErrorCode(kErrorFileNotFound);
    return false;
  }
  int fd = -1;
  do {
    fd = open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    SetLastErrorFromErrno(errno);
    return false;
  }
  // Read in pieces, so that a generous maximum costs no memory up front.
  uint8_t chunk[16384];
  while (bytes.size() < maximum) {
    const size_t wanted = std::min(sizeof chunk, maximum - bytes.size());
    const ssize_t n = read(fd, chunk, wanted);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      close(fd);
      bytes.clear();
      SetLastErrorFromErrno(err);
      return false;
    }
    if (n == 0) break;
    bytes.insert(bytes.end(), chunk, chunk + n);
  }
  close(fd);
  return true;
}

}  // namespace bridgefw::platform
