// The operations of serial NOR flash on a flash file. Erasing sets a whole
// 4 KiB sector to 0xFF; programming can only clear bits, within one
// 256-byte page. The torn forms are what a power cut in the middle of an
// operation leaves.
#pragma once

#include <cstdint>

#include "flash/flash_file.h"
#include "flash/seeded_noise.h"

namespace bridgefw::flash {

// False for a sector outside the flash or a failed write.
bool EraseSector(FlashFile& flash, uint32_t sector);

// Each byte becomes the old byte AND the new one. False when the range
// crosses a page boundary or leaves the flash, or the write fails.
bool ProgramPage(FlashFile& flash, uint32_t address, const uint8_t* data, uint32_t length);

// An erase cut short: each byte of the sector has only some of its bits
// erased (set).
bool TearErase(FlashFile& flash, uint32_t sector, SeededNoise& noise);

// A page program cut short: the whole sector that holds the page is left
// with unpredictable content.
bool TearProgram(FlashFile& flash, uint32_t address, SeededNoise& noise);

}  // namespace bridgefw::flash
