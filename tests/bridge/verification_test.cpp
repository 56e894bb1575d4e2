// ProgramAndVerifyBank against the emulated flash: 1 written and verified,
// -1 when the program or the read-back fails, -2 when a single bit of the
// read-back differs.
#include <gtest/gtest.h>

#include <string>

#include "standin_fixture.h"

namespace bridgefw {
namespace {

using testing::Bytes;
using testing::FirmwareImage;
using testing::FlashWith;

class Verification : public testing::StandInTest {
 protected:
  void SetUp() override {
    StandInTest::SetUp();
    WriteFlash(FlashWith(FirmwareImage(1), FirmwareImage(1)));
  }
  // Loads the stand-in with `faults` and selects the drive.
  void Start(const emulation::BridgeFaults& faults) {
    Describe(faults);
    Load();
    ASSERT_EQ(m_api.QNSelectDeviceEx(kUsbId), 1);
  }
  const Bytes m_image = FirmwareImage(2);
};

TEST_F(Verification, ASingleFlippedBitAnywhereInEitherBankIsCaught) {
  const uint32_t offsets[] = {0x0000, 0x00FF, 0x0100, 0xBFFF};  // first, page boundary, last
  for (uint32_t bank : {kBank0Address, kBank1Address}) {
    for (uint32_t offset : offsets) {
      for (uint8_t mask : {uint8_t{0x01}, uint8_t{0x80}}) {
        SCOPED_TRACE(::testing::Message()
                     << std::hex << "address 0x" << bank + offset << " mask 0x" << int{mask});
        emulation::BridgeFaults faults;
        faults.readDiffers = emulation::ReadFault{bank + offset, mask, {}};
        Start(faults);
        EXPECT_EQ(ProgramAndVerifyBank(m_api, m_image.data(), bank), -2);
        // The flash itself holds the image: only the read-back differed.
        EXPECT_TRUE(Bank(bank == kBank0Address ? 0 : 1) == m_image);
      }
    }
  }
}

TEST_F(Verification, AFailedProgramOrReadBackIsMinusOne) {
  for (auto command : {emulation::BridgeCommand::kProgram, emulation::BridgeCommand::kRead}) {
    SCOPED_TRACE(static_cast<int>(command));
    emulation::BridgeFaults faults;
    faults.commands.push_back({command, {}});
    Start(faults);
    EXPECT_EQ(ProgramAndVerifyBank(m_api, m_image.data(), kBank1Address), -1);
  }
}

TEST_F(Verification, AWrittenAndVerifiedBankIsOne) {
  Start({});
  EXPECT_EQ(ProgramAndVerifyBank(m_api, m_image.data(), kBank1Address), 1);
  EXPECT_TRUE(Bank(1) == m_image);
  EXPECT_TRUE(Bank(0) == FirmwareImage(1));
}

TEST_F(Verification, AReadBackThatDiffersFailsTheAttemptAndTheNextOneSucceeds) {
  const WString image = ImageFile(m_image);
  emulation::BridgeFaults faults;
  // Bank 0 is valid, so bank 1 is written first: the first read that
  // covers 0x10000 is its read-back.
  faults.readDiffers = emulation::ReadFault{kBank1Address, 0x04, {}};
  Describe(faults);
  Load();
  EXPECT_EQ(Attempt(image), FirmwareAttemptResult::kFirstBankFailed);
  EXPECT_EQ(Attempt(image), FirmwareAttemptResult::kSucceeded);
  EXPECT_TRUE(Bank(0) == m_image);
  EXPECT_TRUE(Bank(1) == m_image);
}

}  // namespace
}  // namespace bridgefw
