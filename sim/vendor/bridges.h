// The stand-in's one set of emulated bridges, alive from the library's
// load to its unload, and the guard that keeps C++ exceptions inside the
// exported functions.
#pragma once

#include <cstdint>

#include "flash/emulated_bridges.h"

namespace bridgefw::standin {

flash::EmulatedBridges& Bridges();

// Runs `call`; 0 when it throws.
template <typename Call>
int32_t Guarded(Call call) noexcept {
  try {
    return call();
  } catch (...) {
    return 0;
  }
}

}  // namespace bridgefw::standin
