// Sense data of either format as the 18 fixed-format bytes.
#include "platform/sense.h"

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <utility>
#include <vector>

namespace bridgefw::platform {
namespace {

std::vector<uint8_t> Convert(const std::vector<uint8_t>& raw, bool* ok = nullptr) {
  uint8_t fixed[kFixedSenseLength];
  std::memset(fixed, 0xAA, sizeof fixed);
  const bool converted = ToFixedFormatSense(raw.empty() ? nullptr : raw.data(), raw.size(), fixed);
  if (ok != nullptr) *ok = converted;
  return std::vector<uint8_t>(fixed, fixed + kFixedSenseLength);
}

std::vector<uint8_t> Fixed(std::initializer_list<std::pair<size_t, uint8_t>> bytes) {
  std::vector<uint8_t> fixed(kFixedSenseLength, 0);
  for (const auto& [at, value] : bytes) fixed[at] = value;
  return fixed;
}

TEST(SenseTest, FixedFormatIsCopied) {
  const std::vector<uint8_t> raw = {0xF0, 0, 0x02, 1,    2, 3, 4, 10, 0,    0,
                                    0,    0, 0x04, 0x01, 0, 0, 0, 0,  0x99, 0x98};
  bool ok = false;
  EXPECT_EQ(Convert(raw, &ok), std::vector<uint8_t>(raw.begin(), raw.begin() + 18));
  EXPECT_TRUE(ok);
}

TEST(SenseTest, ShortFixedFormatReadsAsZeroBeyondItsEnd) {
  EXPECT_EQ(Convert({0x71, 0x00, 0x06}), Fixed({{0, 0x71}, {2, 0x06}}));
}

TEST(SenseTest, DescriptorFormatGivesTheSameKeyAndCodes) {
  struct Case {
    const char* name;
    std::vector<uint8_t> raw;
    std::vector<uint8_t> expected;
  };
  const Case cases[] = {
      {"current, not ready 04h/02h",
       {0x72, 0x02, 0x04, 0x02, 0, 0, 0, 0},
       Fixed({{0, 0x70}, {2, 0x02}, {7, 10}, {12, 0x04}, {13, 0x02}})},
      {"deferred",
       {0x73, 0x05, 0x24, 0x00, 0, 0, 0, 0},
       Fixed({{0, 0x71}, {2, 0x05}, {7, 10}, {12, 0x24}})},
      {"header only, four bytes",
       {0x72, 0x02, 0x04, 0x01},
       Fixed({{0, 0x70}, {2, 0x02}, {7, 10}, {12, 0x04}, {13, 0x01}})},
      {"information descriptor, valid, fits in 32 bits",
       {0x72, 0x03, 0x11, 0x00, 0, 0, 0,    12,   0x00, 0x0A,
        0x80, 0,    0,    0,    0, 0, 0x12, 0x34, 0x56, 0x78},
       Fixed({{0, 0xF0},
              {2, 0x03},
              {3, 0x12},
              {4, 0x34},
              {5, 0x56},
              {6, 0x78},
              {7, 10},
              {12, 0x11}})},
      {"information above 32 bits is left out",
       {0x72, 0x03, 0x11, 0x00, 0, 0, 0,    12,   0x00, 0x0A,
        0x80, 0,    0,    0,    0, 1, 0x12, 0x34, 0x56, 0x78},
       Fixed({{0, 0x70}, {2, 0x03}, {7, 10}, {12, 0x11}})},
      {"command-specific, sense-key-specific and unit descriptors",
       {0x72, 0x05, 0x24, 0x00, 0,    0,    0,    24,   0x01, 0x0A,
        0,    0,    0,    0,    0,    0,    0xCA, 0xFE, 0xBA, 0xBE,  // command-specific
        0x02, 0x06, 0,    0,    0xC0, 0x00, 0x02, 0,                 // sense-key-specific
        0x03, 0x02, 0,    0x77},                                     // field-replaceable unit
       Fixed({{0, 0x70},
              {2, 0x05},
              {7, 10},
              {8, 0xCA},
              {9, 0xFE},
              {10, 0xBA},
              {11, 0xBE},
              {12, 0x24},
              {14, 0x77},
              {15, 0xC0},
              {16, 0x00},
              {17, 0x02}})},
      {"stream-command flags",
       {0x72, 0x00, 0x00, 0x01, 0, 0, 0, 4, 0x04, 0x02, 0, 0x20},
       Fixed({{0, 0x70}, {2, 0x20}, {7, 10}, {13, 0x01}})},
      {"a descriptor cut short is ignored",
       {0x72, 0x03, 0x11, 0x00, 0, 0, 0, 6, 0x00, 0x0A, 0x80, 0, 0, 0},
       Fixed({{0, 0x70}, {2, 0x03}, {7, 10}, {12, 0x11}})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    bool ok = false;
    EXPECT_EQ(Convert(c.raw, &ok), c.expected);
    EXPECT_TRUE(ok);
  }
}

TEST(SenseTest, NeitherFormatGivesZerosAndFalse) {
  for (const std::vector<uint8_t>& raw :
       {std::vector<uint8_t>{}, std::vector<uint8_t>{0x00, 0x02}, std::vector<uint8_t>{0x7F}}) {
    bool ok = true;
    EXPECT_EQ(Convert(raw, &ok), std::vector<uint8_t>(kFixedSenseLength, 0));
    EXPECT_FALSE(ok);
  }
}

}  // namespace
}  // namespace bridgefw::platform
