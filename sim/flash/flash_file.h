// A drive's flash file: the chip's 128 KiB of serial flash, byte for byte
// (bank 0 at 0x00000, bank 1 at 0x10000, erased bytes 0xFF). While open the
// contents are mirrored in memory, and every change is written through to
// the file and flushed at once, so that the file always holds what the
// chip holds, also when the process ends in the middle of a command.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace bridgefw::flash {

class FlashFile {
 public:
  FlashFile() = default;
  ~FlashFile();
  FlashFile(const FlashFile&) = delete;
  FlashFile& operator=(const FlashFile&) = delete;

  // Opens an existing file of exactly 128 KiB for reading and writing.
  bool Open(const std::string& path);
  void Close();
  bool IsOpen() const { return m_file != nullptr; }

  // The 128 KiB, valid while open.
  const uint8_t* data() const { return m_bytes.get(); }

  // Replaces `length` bytes at `address` and writes them through. False
  // when the range is outside the flash or the file cannot be written.
  bool Write(uint32_t address, const uint8_t* bytes, uint32_t length);

 private:
  std::FILE* m_file = nullptr;
  // Not zeroed first: it is read in whole at once.
  std::unique_ptr<uint8_t[]> m_bytes;
  // Where the file's position is; pages are written in ascending order, so
  // most writes need no seek. kUnknownPosition after a failure.
  static constexpr uint32_t kUnknownPosition = 0xFFFFFFFF;
  uint32_t m_position = kUnknownPosition;
};

// A whole flash file: false unless it holds exactly 128 KiB. `bytes` may be
// reused from call to call.
bool ReadFlashFile(const std::string& path, std::vector<uint8_t>& bytes);
// Creates or replaces a flash file; `bytes` must be 128 KiB.
bool WriteFlashFile(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace bridgefw::flash
