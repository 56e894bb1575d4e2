// The bank written first follows bank 0 as read: a valid bank 0 is kept
// until bank 1 holds the new image; any other bank 0 is written first.
// The second bank's programming fails here, so the flash shows which bank
// the attempt wrote and which it left alone.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "flash/flash_layout.h"
#include "flash/seeded_noise.h"
#include "standin_fixture.h"

namespace bridgefw {
namespace {

using testing::Bytes;
using testing::FirmwareImage;
using testing::FlashWith;
using testing::WithByte;
using Result = FirmwareAttemptResult;

struct Bank0Case {
  const char* name;
  Bytes bank0;
  int writtenFirst;
};

void PrintTo(const Bank0Case& c, std::ostream* os) {
  *os << c.name;
}

Bytes OldImage() {
  return FirmwareImage(1, 'A');
}

Bytes WrongModel() {
  Bytes image = OldImage();
  image[kFirmwareModelOffset + 2] = '8';
  StampFirmwareCrc(image.data(), ComputeFirmwareCrc(0, image.data()));
  return image;
}

Bytes TornTrailerSector() {
  Bytes image = OldImage();
  flash::SeededNoise noise(7, 0);
  for (size_t i = kFirmwareImageSize - flash::kSectorSize; i < kFirmwareImageSize; ++i) {
    image[i] = noise.NextByte();
  }
  return image;
}

std::vector<Bank0Case> Bank0Cases() {
  return {
      {"Valid", OldImage(), 1},
      {"Blank", testing::ErasedBank(), 0},
      {"AllZero", Bytes(kFirmwareImageSize, 0), 0},
      {"WrongSignature", WithByte(OldImage(), kFirmwareSignatureOffset, 0x01), 0},
      {"WrongModel", WrongModel(), 0},
      {"OneFlippedBitInTheBody", WithByte(OldImage(), 0x4321, 0x10), 0},
      {"TornTrailerSector", TornTrailerSector(), 0},
  };
}

class BankOrder : public testing::StandInTest, public ::testing::WithParamInterface<Bank0Case> {};

TEST_P(BankOrder, FollowsBank0AsRead) {
  const Bank0Case& c = GetParam();
  const Bytes oldImage = OldImage();
  const Bytes newImage = FirmwareImage(2, 'B');
  const WString image = ImageFile(newImage);
  WriteFlash(FlashWith(c.bank0, oldImage));
  const Bytes before = Flash();

  emulation::BridgeFaults faults;
  faults.commands.push_back({emulation::BridgeCommand::kProgram, {1, 1, true}});
  Describe(faults);
  Load();
  EXPECT_EQ(Attempt(image), Result::kSecondBankFailed);
  const int first = c.writtenFirst;
  const int second = 1 - first;
  EXPECT_TRUE(Bank(first) == newImage) << "bank " << first << " is written first";
  EXPECT_TRUE(Bank(second) == testing::BankOf(before, second)) << "bank " << second << " untouched";
  const std::string firstAddress = first == 0 ? "0x00000" : "0x10000";
  EXPECT_EQ(Logged("program " + firstAddress + " 49152 -> ok"), 1u);

  // The next run finishes the job from whatever the first one left.
  Describe();
  Load();
  EXPECT_EQ(Attempt(image), Result::kSucceeded);
  EXPECT_TRUE(Bank(0) == newImage);
  EXPECT_TRUE(Bank(1) == newImage);
}

INSTANTIATE_TEST_SUITE_P(Bank0States, BankOrder, ::testing::ValuesIn(Bank0Cases()),
                         [](const ::testing::TestParamInfo<Bank0Case>& param) {
                           return std::string(param.param.name);
                         });

}  // namespace
}  // namespace bridgefw
