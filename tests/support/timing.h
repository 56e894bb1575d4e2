// Wall-clock measurement for tests of bounded waits. Margins are wide: the
// tests run on loaded two-core machines.
#pragma once

#include <chrono>

namespace bridgefw::testing {

class Stopwatch {
 public:
  Stopwatch() : m_start(std::chrono::steady_clock::now()) {}
  long long ElapsedMs() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 m_start)
        .count();
  }

 private:
  std::chrono::steady_clock::time_point m_start;
};

// A time-out of `ms` is seen to take at least nearly that long and not
// grossly longer.
#define EXPECT_TOOK_ABOUT(stopwatch, ms)             \
  do {                                               \
    const long long took_ = (stopwatch).ElapsedMs(); \
    EXPECT_GE(took_, (ms)-100);                      \
    EXPECT_LT(took_, (ms) + 4000);                   \
  } while (0)

}  // namespace bridgefw::testing
