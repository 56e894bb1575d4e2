#include "flash/flash_file.h"

#include <cstring>

#include "flash/flash_layout.h"

namespace bridgefw::flash {
namespace {

// Reads the whole stream into the 128 KiB at `bytes`; false unless it
// holds exactly that much.
bool ReadAll(std::FILE* file, uint8_t* bytes) {
  return std::fread(bytes, 1, kFlashSize, file) == kFlashSize && std::fgetc(file) == EOF;
}

}  // namespace

FlashFile::~FlashFile() {
  Close();
}

bool FlashFile::Open(const std::string& path) {
  Close();
  std::FILE* file = std::fopen(path.c_str(), "r+b");
  if (file == nullptr) return false;
  if (!m_bytes) m_bytes.reset(new uint8_t[kFlashSize]);
  if (!ReadAll(file, m_bytes.get())) {
    std::fclose(file);
    return false;
  }
  // Unbuffered: each write reaches the file at once, and a seek does not
  // read ahead.
  std::setvbuf(file, nullptr, _IONBF, 0);
  m_file = file;
  m_position = kUnknownPosition;
  return true;
}

void FlashFile::Close() {
  // The mirror's memory is kept for the next Open.
  if (m_file != nullptr) std::fclose(m_file);
  m_file = nullptr;
}

bool FlashFile::Write(uint32_t address, const uint8_t* bytes, uint32_t length) {
  if (m_file == nullptr || address > kFlashSize || length > kFlashSize - address) return false;
  std::memcpy(m_bytes.get() + address, bytes, length);
  if (m_position != address && std::fseek(m_file, static_cast<long>(address), SEEK_SET) != 0) {
    m_position = kUnknownPosition;
    return false;
  }
  if (std::fwrite(bytes, 1, length, m_file) != length || std::fflush(m_file) != 0) {
    m_position = kUnknownPosition;
    return false;
  }
  m_position = address + length;
  return true;
}

bool ReadFlashFile(const std::string& path, std::vector<uint8_t>& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  // A buffer that has the size already is not filled first.
  bytes.resize(kFlashSize);
  const bool ok = ReadAll(file, bytes.data());
  std::fclose(file);
  return ok;
}

bool WriteFlashFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  if (bytes.size() != kFlashSize) return false;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

}  // namespace bridgefw::flash
