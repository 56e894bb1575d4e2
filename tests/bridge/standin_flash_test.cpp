// The emulated bridge behind the vendor-library stand-in, through the
// library's own functions: NOR flash behaviour, the order of a bank's
// operations, power cuts, boots and the per-drive faults.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "flash/flash_layout.h"
#include "standin_fixture.h"
#include "support/timing.h"

namespace bridgefw {
namespace {

using emulation::BridgeCommand;
using emulation::BridgeFaults;
using testing::Bytes;
using testing::FirmwareImage;
using testing::FlashWith;

constexpr uint32_t kBankSize = flash::kBankImageSize;

class StandInFlash : public testing::StandInTest {
 protected:
  void SetUp() override {
    StandInTest::SetUp();
    WriteFlash(FlashWith(m_old, m_old));
  }
  // A fresh load with `faults`, the drive selected.
  void Start(const BridgeFaults& faults = {}) {
    Describe(faults);
    Load();
    ASSERT_EQ(m_api.QNSelectDeviceEx(kUsbId), 1);
  }
  int32_t Program(uint32_t address, const Bytes& data, int32_t erase = 1) {
    return m_api.QN8XXSerialFlashProgrammingEx(address, data.data(),
                                               static_cast<uint32_t>(data.size()), erase);
  }
  int32_t Read(uint32_t address, Bytes& data) {
    return m_api.QN8XXSerialFlashReadEx(address, data.data(), static_cast<uint32_t>(data.size()));
  }
  // A bank programmed with the power cut after `operations` flash
  // operations.
  void ProgramBank1WithCut(uint32_t operations, bool torn, uint32_t seed = 5) {
    BridgeFaults faults;
    faults.powerCut = emulation::PowerCut{operations, torn, seed};
    Start(faults);
    EXPECT_EQ(Program(kBank1Address, m_new), 0);
  }

  const Bytes m_old = FirmwareImage(1);
  const Bytes m_new = FirmwareImage(2);
};

TEST_F(StandInFlash, ProgrammingWithoutEraseOnlyClearsBits) {
  Start();
  const Bytes pattern(flash::kPageSize, 0x0F);
  ASSERT_EQ(Program(0x1F000, Bytes(flash::kSectorSize, 0xF0)), 1);
  ASSERT_EQ(Program(0x1F000, pattern, 0), 1);
  Bytes page(flash::kPageSize);
  ASSERT_EQ(Read(0x1F000, page), 1);
  EXPECT_EQ(page, Bytes(flash::kPageSize, 0x00));
  // With erase the sector starts from 0xFF again.
  ASSERT_EQ(Program(0x1F000, pattern), 1);
  Bytes sector(flash::kSectorSize);
  ASSERT_EQ(Read(0x1F000, sector), 1);
  EXPECT_EQ(Bytes(sector.begin(), sector.begin() + flash::kPageSize), pattern);
  EXPECT_EQ(Bytes(sector.begin() + flash::kPageSize, sector.end()),
            Bytes(flash::kSectorSize - flash::kPageSize, 0xFF));
}

TEST_F(StandInFlash, RangesMustStartASectorAndStayInsideTheFlash) {
  Start();
  EXPECT_EQ(Program(0x10100, Bytes(0x100, 0)), 0);
  EXPECT_EQ(Program(0x1F000, Bytes(0x1001, 0)), 0);
  Bytes tail(2);
  EXPECT_EQ(Read(flash::kFlashSize - 1, tail), 0);
  EXPECT_TRUE(Flash() == FlashWith(m_old, m_old));
}

TEST_F(StandInFlash, ABankIsErasedSectorBySectorThenProgrammedPageByPage) {
  // After the 12 erases: the whole bank erased, nothing programmed.
  ProgramBank1WithCut(12, false);
  EXPECT_TRUE(Bank(1) == testing::ErasedBank());
  // One more: the first page programmed.
  WriteFlash(FlashWith(m_old, m_old));
  ProgramBank1WithCut(13, false);
  Bytes firstPage = testing::ErasedBank();
  std::copy(m_new.begin(), m_new.begin() + flash::kPageSize, firstPage.begin());
  EXPECT_TRUE(Bank(1) == firstPage);
  // All but the last page: the trailer is missing, the bank is not valid.
  WriteFlash(FlashWith(m_old, m_old));
  ProgramBank1WithCut(12 + 191, false);
  const Bytes bank = Bank(1);
  EXPECT_TRUE(std::equal(m_new.begin(), m_new.end() - flash::kPageSize, bank.begin()));
  EXPECT_EQ(Bytes(bank.end() - flash::kPageSize, bank.end()), Bytes(flash::kPageSize, 0xFF));
  EXPECT_FALSE(IsValidFirmwareImage(bank.data()));
  EXPECT_TRUE(Bank(0) == m_old) << "the other bank is never touched";
}

TEST_F(StandInFlash, ATornPageProgramScramblesItsWholeSectorReproducibly) {
  // Page 0x10100 is in the first sector of bank 1.
  ProgramBank1WithCut(12 + 1, true, 9);
  const Bytes first = Flash();
  WriteFlash(FlashWith(m_old, m_old));
  ProgramBank1WithCut(12 + 1, true, 9);
  EXPECT_TRUE(Flash() == first) << "the same seed tears the same way";

  const Bytes sector(first.begin() + kBank1Address, first.begin() + kBank1Address + 0x1000);
  size_t erased = 0;
  for (uint8_t byte : sector) erased += byte == 0xFF ? 1u : 0u;
  EXPECT_LT(erased, 64u) << "not left erased";
  EXPECT_FALSE(std::equal(m_new.begin(), m_new.begin() + 0x100, sector.begin()));
  // The rest of the bank is as the erases left it.
  EXPECT_EQ(
      Bytes(first.begin() + kBank1Address + 0x1000, first.begin() + kBank1Address + kBankSize),
      Bytes(kBankSize - 0x1000, 0xFF));

  WriteFlash(FlashWith(m_old, m_old));
  ProgramBank1WithCut(12 + 1, true, 10);
  EXPECT_FALSE(Flash() == first) << "another seed, another content";
}

TEST_F(StandInFlash, ATornEraseLeavesTheSectorPartlyErased) {
  ProgramBank1WithCut(3, true);  // the fourth sector of bank 1
  const Bytes flash = Flash();
  const uint32_t start = kBank1Address + 3 * 0x1000;
  size_t unchanged = 0;
  size_t erased = 0;
  for (uint32_t i = start; i < start + 0x1000; ++i) {
    const uint8_t old = m_old[i - kBank1Address];
    EXPECT_EQ(flash[i] & old, old) << "an erase only sets bits, at " << i;
    unchanged += flash[i] == old ? 1u : 0u;
    erased += flash[i] == 0xFF ? 1u : 0u;
  }
  EXPECT_LT(unchanged, 0x1000u);
  EXPECT_LT(erased, 0x1000u);
  EXPECT_EQ(Bytes(flash.begin() + start + 0x1000, flash.begin() + kBank1Address + kBankSize),
            Bytes(m_old.begin() + 4 * 0x1000, m_old.end()))
      << "the later sectors are not reached";
}

TEST_F(StandInFlash, APowerCutRebootsTheChipAndEndsTheSelection) {
  ProgramBank1WithCut(100, false);
  EXPECT_EQ(Logged("boot (power cut) -> bank 0"), 1u);
  Bytes bank(kBankSize);
  EXPECT_EQ(Read(kBank0Address, bank), 0) << "nothing is selected any more";
  ASSERT_EQ(m_api.QNSelectDeviceEx(kUsbId), 1);
  EXPECT_EQ(Read(kBank0Address, bank), 1);
  EXPECT_TRUE(bank == m_old);
  // The cut is spent for the rest of the run.
  EXPECT_EQ(Program(kBank1Address, m_new), 1);
  EXPECT_TRUE(Bank(1) == m_new);
}

TEST_F(StandInFlash, TheChipBootsFromTheFirstValidBankOrIsBricked) {
  Start();
  // Bank 0 erased: the reset boots from bank 1.
  ASSERT_EQ(Program(kBank0Address, Bytes(0x1000, 0xFF)), 1);
  EXPECT_EQ(m_api.QN847ChipRestEx(), 1);
  EXPECT_EQ(Logged("boot (reset) -> bank 1"), 1u);
  ASSERT_EQ(m_api.QNSelectDeviceEx(kUsbId), 1) << "a reset ends the selection";
  // Both erased: a running chip carries on until its next boot.
  ASSERT_EQ(Program(kBank1Address, Bytes(0x1000, 0xFF)), 1);
  Bytes bank(kBankSize);
  EXPECT_EQ(Read(kBank1Address, bank), 1);
  EXPECT_EQ(m_api.QN847ChipRestEx(), 1);
  EXPECT_EQ(Logged("boot (reset) -> no valid bank: bricked"), 1u);
  EXPECT_EQ(m_api.QNSelectDeviceEx(kUsbId), 0);
  std::vector<uint8_t> list(2 * 64, 0);
  EXPECT_EQ(m_api.GetUsbIdList(list.data(), 2), 1) << "a bricked device stays on the bus";
}

TEST_F(StandInFlash, DevicesAreKnownByTheirParentIdInLowerCase) {
  emulation::EmulatedDrive other = emulation::UsbStorageDrive("b", "SER2", 0x0D6B, 0x0077);
  emulation::EmulatedDrive noParent = emulation::UsbStorageDrive("c", "SER3");
  noParent.parentId.clear();
  m_folder.Write({m_drive, noParent, other});
  ASSERT_TRUE(flash::WriteFlashFile(m_folder.dir().Native("b.flash"), FlashWith(m_new, m_new)));
  Load();
  std::vector<uint8_t> list(4 * 64, 0xAA);
  EXPECT_EQ(m_api.GetUsbIdList(list.data(), 4), 2);
  EXPECT_STREQ(reinterpret_cast<const char*>(&list[0]), kUsbId);
  EXPECT_STREQ(reinterpret_cast<const char*>(&list[64]), "usb\\vid_0d6b&pid_0077\\b");
  EXPECT_EQ(list[2 * 64], 0xAA) << "only the filled entries are written";
  EXPECT_EQ(m_api.GetUsbIdList(list.data(), 1), 1);

  EXPECT_EQ(m_api.QNSelectDeviceEx("USB\\VID_0D6B&PID_0077\\B"), 0);
  EXPECT_EQ(m_api.QNSelectDeviceEx(""), 0);
  ASSERT_EQ(m_api.QNSelectDeviceEx("usb\\vid_0d6b&pid_0077\\b"), 1);
  Bytes bank(kBankSize);
  ASSERT_EQ(Read(kBank0Address, bank), 1);
  EXPECT_TRUE(bank == m_new);
}

TEST_F(StandInFlash, ADriveWithoutAFlashFileOfTheRightSizeCannotBeSelected) {
  testing::WriteWholeFile(FlashPath(), std::string(flash::kFlashSize - 1, '\xFF'));
  Load();
  EXPECT_EQ(m_api.QNSelectDeviceEx(kUsbId), 0);
  std::remove(FlashPath().c_str());
  EXPECT_EQ(m_api.QNSelectDeviceEx(kUsbId), 0);
  EXPECT_EQ(Logged(std::string("select ") + kUsbId + " -> fail (no flash file of 128 KiB)"), 2u);
}

// Each command's calls, counted from the load: which of the first five
// fail.
TEST_F(StandInFlash, CommandFaultsHitTheCallsTheySay) {
  struct Case {
    emulation::FaultCalls calls;
    const char* outcome;  // '1' for a call that went through
  };
  const Case cases[] = {
      {{0, 1, false}, "01111"},
      {{0, 1, true}, "00000"},
      {{2, 2, false}, "11001"},
      {{1, 0, true}, "10000"},
  };
  for (BridgeCommand command : {BridgeCommand::kSelect, BridgeCommand::kRead,
                                BridgeCommand::kProgram, BridgeCommand::kReset}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(::testing::Message()
                   << "command " << static_cast<int>(command) << " skip " << c.calls.skip
                   << " times " << c.calls.times << (c.calls.always ? " always" : ""));
      WriteFlash(FlashWith(m_old, m_old));
      BridgeFaults faults;
      faults.commands.push_back({command, c.calls});
      Describe(faults);
      Load();
      std::string outcome;
      Bytes page(flash::kPageSize);
      for (int call = 0; call < 5; ++call) {
        // Whatever is tested, the device is selected first (a reset ends
        // the selection; a failed select leaves none).
        const int32_t selected = m_api.QNSelectDeviceEx(kUsbId);
        int32_t result = selected;
        if (command == BridgeCommand::kRead) result = Read(0x1F000, page);
        if (command == BridgeCommand::kProgram) result = Program(0x1F000, page);
        if (command == BridgeCommand::kReset) result = m_api.QN847ChipRestEx();
        outcome += result == 1 ? '1' : '0';
      }
      EXPECT_EQ(outcome, c.outcome);
    }
  }
}

TEST_F(StandInFlash, ADeviceThatDisappearsIsGoneForTheRestOfTheRun) {
  BridgeFaults faults;
  faults.disappearAfterCommands = 2;  // the select and one read
  Start(faults);
  Bytes bank(kBankSize);
  EXPECT_EQ(Read(kBank0Address, bank), 1);
  EXPECT_EQ(Program(kBank1Address, m_new), 0);
  EXPECT_EQ(m_api.QNSelectDeviceEx(kUsbId), 0);
  std::vector<uint8_t> list(64, 0);
  EXPECT_EQ(m_api.GetUsbIdList(list.data(), 1), 0);
  EXPECT_TRUE(Flash() == FlashWith(m_old, m_old));
  // A new load is a new run: the device is back (and leaves again).
  Load();
  EXPECT_EQ(m_api.QNSelectDeviceEx(kUsbId), 1);
}

TEST_F(StandInFlash, ADriveDescribedAnewIsANewDevice) {
  BridgeFaults faults;
  faults.disappearAfterCommands = 1;
  Start(faults);
  Bytes bank(kBankSize);
  EXPECT_EQ(Read(kBank0Address, bank), 0);
  // The same description again: still the device that left.
  Describe(faults);
  EXPECT_EQ(m_api.QNSelectDeviceEx(kUsbId), 0);
  // Another description: another device, counted from zero.
  faults.disappearAfterCommands = 2;
  Describe(faults);
  std::vector<uint8_t> list(64, 0);
  EXPECT_EQ(m_api.GetUsbIdList(list.data(), 1), 1);
  EXPECT_EQ(m_api.QNSelectDeviceEx(kUsbId), 1);
  EXPECT_EQ(Read(kBank0Address, bank), 1);
  EXPECT_EQ(Read(kBank0Address, bank), 0);
  EXPECT_EQ(Logged("boot (power-on)"), 2u);
}

TEST_F(StandInFlash, TheTimingModelStretchesABankToItsRealDuration) {
  emulation::FlashTiming timing;
  testing::Stopwatch watch;
  Describe({}, timing);
  Load();
  ASSERT_EQ(m_api.QNSelectDeviceEx(kUsbId), 1);
  ASSERT_EQ(Program(kBank1Address, m_new), 1);
  // 12 erases of 45 ms and 192 pages of 0.8 ms.
  EXPECT_GE(watch.ElapsedMs(), 12 * 45 + 150);

  // The environment switches it on for every drive.
  testing::ScopedEnv all("BRIDGEFW_FLASH_TIMING", "1");
  Describe();
  Load();
  testing::Stopwatch again;
  ASSERT_EQ(m_api.QNSelectDeviceEx(kUsbId), 1);
  Bytes bank(kBankSize);
  ASSERT_EQ(Read(kBank0Address, bank), 1);
  ASSERT_EQ(Program(kBank0Address, m_new), 1);
  EXPECT_GE(again.ElapsedMs(), 12 * 45 + 150 + 49);
}

}  // namespace
}  // namespace bridgefw
