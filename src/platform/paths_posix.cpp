#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/errno_posix.h"
#include "platform/error.h"
#include "platform/fault.h"
#include "platform/paths.h"

namespace bridgefw::platform {
namespace {

// HRESULT_FROM_WIN32: the negative result that SHGetFolderPathW gives for
// a Windows error code.
int32_t HresultFromError(uint32_t code) {
  return static_cast<int32_t>(0x80070000u | (code & 0xFFFFu));
}

// The target of /proc/self/exe, however long it is. Empty on failure, with
// the last error set.
std::string ReadExecutableLink() {
  std::vector<char> buffer(256);
  for (;;) {
    const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) {
      SetLastErrorFromErrno(errno);
      return {};
    }
    const auto length = static_cast<size_t>(n);
    if (length < buffer.size()) return std::string(buffer.data(), length);
    // The link may have been cut: try again with more room.
    buffer.resize(buffer.size() * 2);
  }
}

// mkdir -p: creates every missing directory of a native path. False with
// the last error set when a component can be neither created nor found as
// a directory.
bool CreateNativeDirectoryChain(const std::string& path) {
  std::string working;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    working = path.substr(0, end);
    if (end > start && mkdir(working.c_str(), 0777) != 0 && errno != EEXIST) {
      SetLastErrorFromErrno(errno);
      return false;
    }
    start = end + 1;
  }
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) {
    SetLastErrorFromErrno(errno);
    return false;
  }
  if (!S_ISDIR(info.st_mode)) {
    SetLastErrorCode(kErrorAlreadyExists);
    return false;
  }
  return true;
}

}  // namespace

uint32_t GetExecutablePath(WChar* buffer, uint32_t size) {
  if (ShouldFail(FaultSite::kExecutablePath)) {
    SetLastErrorCode(kErrorFileNotFound);
    return 0;
  }
  if (size == 0) {
    SetLastErrorCode(kErrorInsufficientBuffer);
    return 0;
  }
  if (buffer == nullptr) {
    SetLastErrorCode(kErrorInvalidParameter);
    return 0;
  }
  const std::string native = ReadExecutableLink();
  if (native.empty()) {
    buffer[0] = 0;
    return 0;
  }
  const WString path = CorePath(native);
  if (path.size() >= size) {
    // As GetModuleFileNameW: the first size-1 characters, a terminator, and
    // `size` as the result.
    path.copy(buffer, size - 1);
    buffer[size - 1] = 0;
    SetLastErrorCode(kErrorInsufficientBuffer);
    return size;
  }
  path.copy(buffer, path.size());
  buffer[path.size()] = 0;
  return static_cast<uint32_t>(path.size());
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
  buffer[0] = 0;
  const char* fromEnvironment = std::getenv("PROGRAMDATA");
  std::string native =
      fromEnvironment != nullptr && fromEnvironment[0] != 0 ? fromEnvironment : "/var/lib";
  if (native[0] != '/') {
    // The folder is always a full path, as on Windows.
    std::vector<char> cwd(4096);
    if (getcwd(cwd.data(), cwd.size()) == nullptr) {
      SetLastErrorFromErrno(errno);
      return HresultFromError(GetLastErrorCode());
    }
    native = std::string(cwd.data()) + "/" + native;
  }
  if (!CreateNativeDirectoryChain(native)) {
    const uint32_t code = GetLastErrorCode();
    return HresultFromError(code);
  }
  WString path = CorePath(native);
  // No trailing separator; the root itself thus becomes the empty text, to
  // which callers append "\name" and get a rooted path again.
  while (!path.empty() && path.back() == u'\\') path.pop_back();
  if (path.size() >= kMaxPath) {
    SetLastErrorCode(kErrorFilenameExcedRange);
    return HresultFromError(kErrorFilenameExcedRange);
  }
  path.copy(buffer, path.size());
  buffer[path.size()] = 0;
  return 0;
}

std::string NativePath(const WString& corePath) {
  std::string native = NarrowUtf8(corePath);
  for (char& c : native) {
    if (c == '\\') c = '/';
  }
  return native;
}

WString CorePath(const std::string& nativePath) {
  // A run of slashes is one separator on POSIX. It is collapsed so that a
  // native "//x" does not turn into the core's network form "\\x".
  std::string collapsed;
  collapsed.reserve(nativePath.size());
  for (char c : nativePath) {
    if (c == '/' && !collapsed.empty() && collapsed.back() == '/') continue;
    collapsed.push_back(c);
  }
  WString core = WidenUtf8(collapsed);
  for (WChar& c : core) {
    if (c == u'/') c = u'\\';
  }
  return core;
}

}  // namespace bridgefw::platform
