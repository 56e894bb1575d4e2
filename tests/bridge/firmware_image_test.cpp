#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "bridge/firmware_image.h"

namespace bridgefw {
namespace {

std::vector<uint8_t> ValidImage() {
  std::vector<uint8_t> image(kFirmwareImageSize, 0);
  for (size_t i = 0; i < 0x100; ++i) image[i] = static_cast<uint8_t>(i * 7);
  const uint8_t trailer[] = {0x55, 0xAA, 0xAA, 0x55, '8', '4', '7', 'A'};
  std::memcpy(&image[kFirmwareSignatureOffset], trailer, sizeof trailer);
  StampFirmwareCrc(image.data(), ComputeFirmwareCrc(0, image.data()));
  return image;
}

TEST(FirmwareCrc, AllZeroBodyGivesZero) {
  std::vector<uint8_t> image(kFirmwareImageSize, 0);
  image[kFirmwareCrcOffset] = 0x12;  // outside the covered range
  image[0xBFFC] = 0x34;
  EXPECT_EQ(ComputeFirmwareCrc(0, image.data()), 0x0000);
}

TEST(FirmwareCrc, IsXmodemOverEachWordFromItsHighByteDown) {
  // Leading zeros leave a CRC that starts at 0 unchanged, so the covered
  // range ending in the bytes fed as "123456789" gives the CRC-16/XMODEM
  // check value of that text. Groups are fed from byte 3 down to byte 0.
  std::vector<uint8_t> image(kFirmwareImageSize, 0);
  const uint8_t tail[12] = {'1', 0, 0, 0, '5', '4', '3', '2', '9', '8', '7', '6'};
  std::memcpy(&image[kFirmwareCrcRangeEnd - 12], tail, sizeof tail);
  EXPECT_EQ(ComputeFirmwareCrc(0, image.data()), 0x31C3);
}

TEST(FirmwareImage, ValidityChecks) {
  struct Case {
    const char* what;
    size_t offset;
    uint8_t value;
  };
  const Case broken[] = {
      {"signature", kFirmwareSignatureOffset + 3, 0x56},
      {"model", kFirmwareModelOffset + 2, '8'},
      {"body byte under the CRC", 0x10, 0xEE},
      {"stored CRC", kFirmwareCrcOffset + 1, 0x00},
  };
  const std::vector<uint8_t> good = ValidImage();
  EXPECT_TRUE(IsValidFirmwareImage(good.data()));
  for (const auto& c : broken) {
    SCOPED_TRACE(c.what);
    std::vector<uint8_t> image = good;
    image[c.offset] = static_cast<uint8_t>(image[c.offset] == c.value ? c.value + 1 : c.value);
    EXPECT_FALSE(IsValidFirmwareImage(image.data()));
  }
  // The fourth model character and the bytes outside the CRC are free.
  std::vector<uint8_t> image = good;
  image[kFirmwareModelOffset + 3] = 'Z';
  StampFirmwareCrc(image.data(), ComputeFirmwareCrc(0, image.data()));
  image[0xBFFC] ^= 0xFF;
  EXPECT_TRUE(IsValidFirmwareImage(image.data()));
}

TEST(FirmwareImage, CrcIsStoredHighByteFirst) {
  std::vector<uint8_t> image(kFirmwareImageSize, 0);
  StampFirmwareCrc(image.data(), 0xBEEF);
  EXPECT_EQ(image[kFirmwareCrcOffset], 0xBE);
  EXPECT_EQ(image[kFirmwareCrcOffset + 1], 0xEF);
  EXPECT_EQ(StoredFirmwareCrc(image.data()), 0xBEEF);
}

}  // namespace
}  // namespace bridgefw
