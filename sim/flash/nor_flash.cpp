#include "flash/nor_flash.h"

#include <array>
#include <cstring>

#include "flash/flash_layout.h"

namespace bridgefw::flash {
namespace {

constexpr uint32_t kSectorCount = kFlashSize / kSectorSize;

}  // namespace

bool EraseSector(FlashFile& flash, uint32_t sector) {
  if (sector >= kSectorCount) return false;
  std::array<uint8_t, kSectorSize> erased;
  erased.fill(kErasedByte);
  return flash.Write(sector * kSectorSize, erased.data(), kSectorSize);
}

bool ProgramPage(FlashFile& flash, uint32_t address, const uint8_t* data, uint32_t length) {
  if (address >= kFlashSize || length == 0 || length > kPageSize - address % kPageSize) {
    return false;
  }
  uint8_t cells[kPageSize];
  std::memcpy(cells, flash.data() + address, length);
  // Eight cells at a time: a sanitizer checks one access instead of eight.
  uint32_t i = 0;
  for (; i + 8 <= length; i += 8) {
    uint64_t now;
    uint64_t wanted;
    std::memcpy(&now, cells + i, 8);
    std::memcpy(&wanted, data + i, 8);
    now &= wanted;
    std::memcpy(cells + i, &now, 8);
  }
  for (; i < length; ++i) cells[i] = static_cast<uint8_t>(cells[i] & data[i]);
  return flash.Write(address, cells, length);
}

bool TearErase(FlashFile& flash, uint32_t sector, SeededNoise& noise) {
  if (sector >= kSectorCount) return false;
  const uint32_t start = sector * kSectorSize;
  std::array<uint8_t, kSectorSize> cells;
  std::memcpy(cells.data(), flash.data() + start, kSectorSize);
  for (uint8_t& cell : cells) cell = static_cast<uint8_t>(cell | noise.NextByte());
  return flash.Write(start, cells.data(), kSectorSize);
}

bool TearProgram(FlashFile& flash, uint32_t address, SeededNoise& noise) {
  if (address >= kFlashSize) return false;
  const uint32_t start = address - address % kSectorSize;
  std::array<uint8_t, kSectorSize> cells;
  for (uint8_t& cell : cells) cell = noise.NextByte();
  return flash.Write(start, cells.data(), kSectorSize);
}

}  // namespace bridgefw::flash
