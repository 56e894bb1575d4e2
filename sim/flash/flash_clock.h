// The timing model of an emulated bridge: how long its commands take on a
// real chip behind USB (page program, sector erase, reading, the overhead
// of each command). Off unless the drive's description has "timing" or the
// environment variable BRIDGEFW_FLASH_TIMING is 1. When on, each step
// sleeps until its due time, so a run takes about as long as on a device.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

#include "emulation/bridge_faults.h"

namespace bridgefw::flash {

class FlashClock {
 public:
  // The drive's durations; without them the defaults when `forAll` (the
  // environment variable BRIDGEFW_FLASH_TIMING is 1), else none.
  void Configure(const std::optional<emulation::FlashTiming>& drive, bool forAll);
  bool on() const { return m_timing.has_value(); }

  void Command() { Spend(on() ? m_timing->commandOverheadUs : 0); }
  void SectorErase() { Spend(on() ? m_timing->sectorEraseUs : 0); }
  void PageProgram() { Spend(on() ? m_timing->pageProgramUs : 0); }
  void Read(uint32_t bytes);

 private:
  void Spend(uint64_t microseconds);

  std::optional<emulation::FlashTiming> m_timing;
  std::chrono::steady_clock::time_point m_due{};
};

}  // namespace bridgefw::flash
