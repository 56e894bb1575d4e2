#include "log_follower.h"

#include <sys/stat.h>

#include <fstream>
#include <utility>

namespace bridgefw::cli {
namespace {

uint64_t FileSize(const std::string& path) {
  struct stat info {};
  if (path.empty() || stat(path.c_str(), &info) != 0) return 0;
  return static_cast<uint64_t>(info.st_size);
}

// One byte per character (U+0000 to U+00FF) to UTF-8.
std::string Latin1ToUtf8(const std::string& bytes) {
  std::string text;
  for (char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      text += c;
    } else {
      text += static_cast<char>(0xC0 | (byte >> 6));
      text += static_cast<char>(0x80 | (byte & 0x3F));
    }
  }
  return text;
}

}  // namespace

LogFollower::LogFollower(std::string path) : m_path(std::move(path)), m_offset(FileSize(m_path)) {}

std::vector<std::string> LogFollower::NewLines() {
  std::vector<std::string> lines;
  if (m_path.empty()) return lines;
  const uint64_t size = FileSize(m_path);
  if (size < m_offset) {
    // The file was replaced: follow the new one from its start.
    m_offset = 0;
    m_partial.clear();
  }
  if (size == m_offset) return lines;
  std::ifstream in(m_path, std::ios::binary);
  if (!in) return lines;
  in.seekg(static_cast<std::streamoff>(m_offset));
  std::string chunk(static_cast<size_t>(size - m_offset), '\0');
  in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
  chunk.resize(static_cast<size_t>(in.gcount()));
  m_offset += chunk.size();
  m_partial += chunk;
  size_t start = 0;
  for (size_t end; (end = m_partial.find('\n', start)) != std::string::npos; start = end + 1) {
    std::string line = m_partial.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(Latin1ToUtf8(line));
  }
  m_partial.erase(0, start);
  return lines;
}

std::vector<std::string> LogFollower::RemainingLines() {
  std::vector<std::string> lines = NewLines();
  if (!m_partial.empty()) {
    if (m_partial.back() == '\r') m_partial.pop_back();
    lines.push_back(Latin1ToUtf8(m_partial));
    m_partial.clear();
  }
  return lines;
}

}  // namespace bridgefw::cli
