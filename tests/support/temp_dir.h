// Test helpers: a fresh directory below /tmp that is removed with all its
// contents at the end of the test, and small file probes in native form.
#pragma once

#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/paths.h"
#include "platform/text.h"

namespace bridgefw::testing {

class TempDir {
 public:
  TempDir() {
    char pattern[] = "/tmp/bridgefw-test.XXXXXX";
    const char* made = mkdtemp(pattern);
    if (made == nullptr) std::abort();
    m_native = made;
  }
  ~TempDir() {
    nftw(
        m_native.c_str(),
        [](const char* path, const struct stat*, int, struct FTW*) { return std::remove(path); },
        16, FTW_DEPTH | FTW_PHYS);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The directory itself, or a path below it ("a/b"), in native form.
  std::string Native(const std::string& relative = "") const {
    return relative.empty() ? m_native : m_native + "/" + relative;
  }
  // The same in the core form ("\tmp\bridgefw-test.X\a\b").
  WString Core(const std::string& relative = "") const {
    return platform::CorePath(Native(relative));
  }

 private:
  std::string m_native;
};

inline bool PathExists(const std::string& native) {
  struct stat info {};
  return stat(native.c_str(), &info) == 0;
}

inline bool IsDirectory(const std::string& native) {
  struct stat info {};
  return stat(native.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

inline std::string ReadWholeFile(const std::string& native) {
  std::ifstream in(native, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteWholeFile(const std::string& native, const std::string& bytes) {
  std::ofstream out(native, std::ios::binary | std::ios::trunc);
  out << bytes;
}

}  // namespace bridgefw::testing
