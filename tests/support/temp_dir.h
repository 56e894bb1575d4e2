// Test helpers: a fresh directory below the system's temporary folder that
// is removed with all its contents at the end of the test, and small file
// probes in native form. Portable (std::filesystem), so the same tests run
// on every platform.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <system_error>

#include "platform/paths.h"
#include "platform/text.h"

namespace bridgefw::testing {

class TempDir {
 public:
  TempDir() {
    std::error_code error;
    const std::filesystem::path base = std::filesystem::temp_directory_path(error);
    if (error) std::abort();
    std::random_device seed;
    std::mt19937 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
      const std::filesystem::path candidate =
          base / ("bridgefw-test." + std::to_string(random() % 1000000000u));
      if (std::filesystem::create_directory(candidate, error) && !error) {
        m_native = candidate.string();
        return;
      }
    }
    std::abort();
  }
  ~TempDir() {
    std::error_code error;
    std::filesystem::remove_all(m_native, error);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The directory itself, or a path below it ("a/b"), in native form.
  std::string Native(const std::string& relative = "") const {
    if (relative.empty()) return m_native;
    return (std::filesystem::path(m_native) / std::filesystem::path(relative).make_preferred())
        .string();
  }
  // The same in the core form ("\tmp\bridgefw-test.X\a\b").
  WString Core(const std::string& relative = "") const {
    return platform::CorePath(Native(relative));
  }

 private:
  std::string m_native;
};

inline bool PathExists(const std::string& native) {
  std::error_code error;
  return std::filesystem::exists(native, error);
}

inline bool IsDirectory(const std::string& native) {
  std::error_code error;
  return std::filesystem::is_directory(native, error);
}

// Creates one directory; false when it exists or cannot be made.
inline bool MakeDirectory(const std::string& native) {
  std::error_code error;
  return std::filesystem::create_directory(native, error) && !error;
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
