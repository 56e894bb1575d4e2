#include "file_io.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace bridgefw::cli {

namespace fs = std::filesystem;

bool ReadFilePrefix(const std::string& path, size_t maximum, std::vector<uint8_t>& bytes,
                    uint64_t& fileSize, std::string& error) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) {
    error = "cannot read " + path + ": " + std::strerror(errno);
    return false;
  }
  if (!S_ISREG(info.st_mode)) {
    error = "cannot read " + path + ": not a regular file";
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot read " + path + ": " + std::strerror(errno);
    return false;
  }
  fileSize = static_cast<uint64_t>(info.st_size);
  bytes.assign(static_cast<size_t>(std::min<uint64_t>(fileSize, maximum)), 0);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (static_cast<size_t>(in.gcount()) != bytes.size()) {
    error = "cannot read " + path + ": the file could not be read to its end";
    return false;
  }
  return true;
}

bool WriteFileReplacing(const std::string& path, const std::vector<uint8_t>& bytes,
                        std::string& error) {
  const std::string temporary = path + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      error = "cannot write " + path + ": " + std::strerror(errno);
      std::remove(temporary.c_str());
      return false;
    }
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    error = "cannot write " + path + ": " + std::strerror(errno);
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

bool MakeTempDirectory(const std::string& prefix, std::string& path, std::string& error) {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = (base != nullptr && *base != '\0') ? base : "/tmp";
  pattern += "/" + prefix + ".XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (mkdtemp(buffer.data()) == nullptr) {
    error = "cannot create a directory " + pattern + ": " + std::strerror(errno);
    return false;
  }
  path = buffer.data();
  return true;
}

bool MakeDirectories(const std::string& path, std::string& error) {
  std::error_code code;
  fs::create_directories(path, code);
  if (code || !fs::is_directory(path, code)) {
    error = "cannot create the directory " + path + (code ? ": " + code.message() : "");
    return false;
  }
  return true;
}

std::string AbsolutePath(const std::string& path) {
  std::error_code code;
  const fs::path absolute = fs::absolute(path, code);
  return code ? path : absolute.lexically_normal().string();
}

std::string ExecutableDirectory() {
  std::error_code code;
  const fs::path executable = fs::read_symlink("/proc/self/exe", code);
  return code ? std::string(".") : executable.parent_path().string();
}

}  // namespace bridgefw::cli
