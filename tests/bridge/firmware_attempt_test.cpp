// One writing attempt (RunFirmwareAttempt) against the stand-in: the image
// as the file gives it, and where the attempt stops when the device does
// not play along.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "standin_fixture.h"

namespace bridgefw {
namespace {

using testing::Bytes;
using testing::FirmwareImage;
using testing::FlashWith;
using Result = FirmwareAttemptResult;

class FirmwareAttempt : public testing::StandInTest {
 protected:
  void SetUp() override {
    StandInTest::SetUp();
    WriteFlash(FlashWith(m_old, m_old));
    Load();
  }
  const Bytes m_old = FirmwareImage(1, 'A');
  const Bytes m_new = FirmwareImage(2, 'B');
};

TEST_F(FirmwareAttempt, WritesBothBanksInOrderAndResetsTheChipLast) {
  EXPECT_EQ(Attempt(ImageFile(m_new)), Result::kSucceeded);
  EXPECT_TRUE(Bank(0) == m_new);
  EXPECT_TRUE(Bank(1) == m_new);
  const std::vector<std::string> expected = {
      std::string("select ") + kUsbId + " -> ok",
      "read 0x00000 49152 -> ok",
      "program 0x10000 49152 -> ok",
      "read 0x10000 49152 -> ok",
      "program 0x00000 49152 -> ok",
      "read 0x00000 49152 -> ok",
      "reset -> ok",
      "boot (reset) -> bank 0",
  };
  std::vector<std::string> commands = BridgeLog();
  ASSERT_FALSE(commands.empty());
  EXPECT_EQ(commands.front(), "boot (power-on) -> bank 0");
  commands.erase(commands.begin());
  EXPECT_EQ(commands, expected);
}

TEST_F(FirmwareAttempt, TheFileIsPaddedCutAndGivenTheComputedCrc) {
  // Signature and model in place, the CRC field wrong, then 0x20 bytes
  // that are not part of the image.
  Bytes longFile = m_new;
  longFile[kFirmwareCrcOffset] ^= 0xFF;
  longFile.insert(longFile.end(), 0x20, 0xEE);
  EXPECT_EQ(Attempt(ImageFile(longFile)), Result::kSucceeded);
  EXPECT_TRUE(Bank(0) == m_new);
  EXPECT_TRUE(Bank(1) == m_new);

  // A short file: the missing bytes up to the trailer are zeros.
  Bytes padded(kFirmwareImageSize, 0);
  std::copy(m_new.begin(), m_new.begin() + 0x8000, padded.begin());
  std::copy(m_new.begin() + kFirmwareSignatureOffset, m_new.begin() + kFirmwareModelOffset + 4,
            padded.begin() + kFirmwareSignatureOffset);
  Bytes shortFile(padded.begin(), padded.begin() + kFirmwareModelOffset + 4);
  StampFirmwareCrc(padded.data(), ComputeFirmwareCrc(0, padded.data()));
  ASSERT_TRUE(IsValidFirmwareImage(padded.data()));
  EXPECT_EQ(Attempt(ImageFile(shortFile)), Result::kSucceeded);
  EXPECT_TRUE(Bank(0) == padded);
  EXPECT_TRUE(Bank(1) == padded);
}

TEST_F(FirmwareAttempt, AnImageThatIsNotForThisChipNeverReachesTheDevice) {
  Bytes wrongModel = m_new;
  wrongModel[kFirmwareModelOffset] = '9';
  Bytes tooShort(m_new.begin(), m_new.begin() + kFirmwareSignatureOffset + 2);
  EXPECT_EQ(Attempt(ImageFile(wrongModel)), Result::kImageNotValid);
  EXPECT_EQ(Attempt(ImageFile(tooShort)), Result::kImageNotValid);
  EXPECT_EQ(Attempt(m_folder.dir().Core("missing.bin")), Result::kFileNotReadable);
  EXPECT_TRUE(BridgeLog().empty());
  EXPECT_TRUE(Flash() == FlashWith(m_old, m_old));
}

TEST_F(FirmwareAttempt, WhereTheAttemptStops) {
  const WString image = ImageFile(m_new);
  EXPECT_EQ(RunFirmwareAttempt(image, m_api, "usb\\vid_2b4e&pid_1a2b\\other"),
            Result::kNotSelected);
  EXPECT_EQ(RunFirmwareAttempt(image, m_api, "USB\\VID_2B4E&PID_1A2B\\A"), Result::kNotSelected)
      << "the library knows devices by lower-case ids";
  UsbDllApi incomplete = m_api;
  incomplete.QN847ChipRestEx = nullptr;
  EXPECT_EQ(RunFirmwareAttempt(image, incomplete, kUsbId), Result::kLibraryIncomplete);

  emulation::BridgeFaults faults;
  faults.commands.push_back({emulation::BridgeCommand::kRead, {}});
  Describe(faults);
  Load();
  EXPECT_EQ(Attempt(image), Result::kBank0NotReadable);
  EXPECT_TRUE(Flash() == FlashWith(m_old, m_old));
}

TEST_F(FirmwareAttempt, ABrickedChipCannotBeSelectedButStaysOnTheBus) {
  WriteFlash(FlashWith(testing::ErasedBank(), testing::ErasedBank()));
  Load();
  EXPECT_EQ(Attempt(ImageFile(m_new)), Result::kNotSelected);
  EXPECT_EQ(Logged(std::string("select ") + kUsbId + " -> fail (bricked)"), 1u);
  std::vector<uint8_t> list(256 * 64, 0);
  EXPECT_EQ(m_api.GetUsbIdList(list.data(), 256), 1);
  EXPECT_STREQ(reinterpret_cast<const char*>(list.data()), kUsbId);
}

}  // namespace
}  // namespace bridgefw
