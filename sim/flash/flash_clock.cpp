#include "flash/flash_clock.h"

#include <thread>

namespace bridgefw::flash {

void FlashClock::Configure(const std::optional<emulation::FlashTiming>& drive, bool forAll) {
  if (drive) {
    m_timing = drive;
  } else if (forAll) {
    m_timing = emulation::FlashTiming{};
  } else {
    m_timing.reset();
  }
}

void FlashClock::Read(uint32_t bytes) {
  if (!on()) return;
  Spend(uint64_t{bytes} * 1000000u / m_timing->readBytesPerSecond);
}

void FlashClock::Spend(uint64_t microseconds) {
  if (microseconds == 0) return;
  // Due times add up, so that the many short sleeps of a bank do not
  // drift by the scheduler's slack.
  const auto now = std::chrono::steady_clock::now();
  if (m_due < now) m_due = now;
  m_due += std::chrono::microseconds(microseconds);
  std::this_thread::sleep_until(m_due);
}

}  // namespace bridgefw::flash
