// Where the bridge chip boots from: the first bank (bank 0, then bank 1)
// whose image is valid by the plugin's own check. With none the chip is
// bricked.
#pragma once

#include <cstdint>

namespace bridgefw::flash {

constexpr int kNoBootBank = -1;

// `flash` holds the 128 KiB. The bank number, or kNoBootBank.
int BootBank(const uint8_t* flash);

}  // namespace bridgefw::flash
