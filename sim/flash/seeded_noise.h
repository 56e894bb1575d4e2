// Reproducible pseudo-random bytes (SplitMix64) for the content that a torn
// flash operation leaves behind.
#pragma once

#include <cstdint>

namespace bridgefw::flash {

class SeededNoise {
 public:
  // The same seed and stream always give the same bytes.
  SeededNoise(uint64_t seed, uint64_t stream)
      : m_state(seed * 0x9E3779B97F4A7C15ull ^ (stream + 0x632BE59BD9B4E019ull)) {}

  uint64_t Next() {
    uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  uint8_t NextByte() { return static_cast<uint8_t>(Next() >> 56); }

 private:
  uint64_t m_state;
};

}  // namespace bridgefw::flash
