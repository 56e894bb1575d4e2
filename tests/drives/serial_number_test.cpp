// Reading a serial number from the device: the rules over scripted SCSI
// answers of emulated drives, the commands that reach the drive, and the
// pending and failure paths.
#include "drives/serial_number.h"

#include <dirent.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drives/pass_through.h"
#include "emulation/drive_session.h"
#include "emulation/emulated_drive.h"
#include "platform/error.h"
#include "platform/fault.h"
#include "support/emulation.h"

namespace bridgefw {
namespace {

using emulation::EmulatedDrive;
using emulation::ReplyKind;
using emulation::ScriptStep;

ScriptStep Step(ReplyKind kind, uint32_t times = 1) {
  ScriptStep step;
  step.kind = kind;
  step.times = times;
  return step;
}

ScriptStep Sense(uint8_t key, uint8_t asc, uint8_t ascq) {
  ScriptStep step = Step(ReplyKind::kCheckCondition);
  step.senseKey = key;
  step.asc = asc;
  step.ascq = ascq;
  return step;
}

std::vector<ScriptStep> Repeat(const ScriptStep& step, size_t count) {
  return std::vector<ScriptStep>(count, step);
}

EmulatedDrive Drive(const std::string& serial, std::vector<ScriptStep> script = {}) {
  EmulatedDrive drive = emulation::UsbStorageDrive("disk", serial);
  drive.script = std::move(script);
  return drive;
}

WString DiskPath() {
  return WidenUtf8(emulation::DefaultDevicePath("disk"));
}

std::string Operations() {
  return testing::OperationsSentTo(emulation::DefaultDevicePath("disk"));
}

class SerialNumberTest : public ::testing::Test {
 protected:
  void TearDown() override { platform::DisarmAllFaults(); }
};

TEST_F(SerialNumberTest, RulesOverScriptedAnswers) {
  struct Case {
    const char* name;
    EmulatedDrive drive;
    WString serial;
    std::string operations;  // I: INQUIRY, S: START STOP UNIT
  };
  EmulatedDrive longPage = Drive("");
  longPage.page80 = {0x00, 0x80, 0xFF, 0xFF};
  longPage.page80.resize(40000, 'A');
  EmulatedDrive emptyPage = Drive("");
  emptyPage.page80 = {0x00, 0x80, 0x00, 0x00, 'A', 'B'};
  EmulatedDrive descriptor = Drive("D42", {Step(ReplyKind::kNeedsStartUnit)});
  descriptor.descriptorSense = true;
  EmulatedDrive unopenable = Drive("U1");
  unopenable.unopenable = true;
  ScriptStep busy = Step(ReplyKind::kStatus);
  busy.status = 0x08;

  const Case cases[] = {
      {"blanks and ZT- around", Drive("  ZT-ABC123  "), u"ABC123", "I"},
      {"ZT- anywhere, every one", Drive("AZT-BZT-C"), u"ABC", "I"},
      {"trimming comes before the removal", Drive("ZT- 12"), u" 12", "I"},
      {"page length above 32763", longPage, WString(32763, u'A'), "I"},
      {"page length 0", emptyPage, u"", "I"},
      {"becoming ready three times", Drive("R3", Repeat(Step(ReplyKind::kBecomingReady), 3)), u"R3",
       "IIII"},
      {"becoming ready nine times, then ready on the tenth",
       Drive("R9", {Step(ReplyKind::kBecomingReady, 9)}), u"R9", std::string(10, 'I')},
      {"not ready ten times", Drive("R10", {Step(ReplyKind::kBecomingReady, 10)}), u"",
       std::string(10, 'I')},
      {"not ready for good", Drive("R50", {Step(ReplyKind::kBecomingReady, 50)}), u"",
       std::string(10, 'I')},
      {"04h/02h once", Drive("S1", {Step(ReplyKind::kNeedsStartUnit)}), u"S1", "ISI"},
      {"04h/02h in descriptor sense", descriptor, u"D42", "ISI"},
      {"04h/02h counts as an attempt",
       Drive("S8", {Step(ReplyKind::kNeedsStartUnit), Step(ReplyKind::kBecomingReady, 8)}), u"S8",
       "IS" + std::string(9, 'I')},
      {"04h/02h to every sending", Drive("S10", Repeat(Step(ReplyKind::kNeedsStartUnit), 10)), u"",
       "ISISISISISISISISISIS"},
      {"not ready, other code (medium not present)", Drive("M1", {Sense(0x02, 0x3A, 0x00)}), u"",
       "I"},
      {"illegal request", Drive("X1", {Sense(0x05, 0x24, 0x00)}), u"", "I"},
      {"status without sense (busy)", Drive("B1", {busy}), u"", "I"},
      {"failure in transport", Drive("T1", {Step(ReplyKind::kTransportError)}), u"", "I"},
      {"unopenable device", unopenable, u"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing::EmulationFolder folder({c.drive});
    EXPECT_EQ(ReadSerialNumber(DiskPath()), c.serial);
    EXPECT_EQ(Operations(), c.operations);
    EXPECT_EQ(emulation::OpenSessionCount(), 0u) << "a device was left open";
  }
}

TEST_F(SerialNumberTest, SendsTheCommandBlocksOfInquiryAndStartStopUnit) {
  testing::EmulationFolder folder({Drive("S1", {Step(ReplyKind::kNeedsStartUnit)})});
  ASSERT_EQ(ReadSerialNumber(DiskPath()), u"S1");
  const auto commands = testing::CommandsSentTo(emulation::DefaultDevicePath("disk"));
  ASSERT_EQ(commands.size(), 3u);
  EXPECT_EQ(commands[0], (std::vector<uint8_t>{0x12, 0x01, 0x80, 0x7F, 0xFF, 0x00}));
  EXPECT_EQ(commands[1], (std::vector<uint8_t>{0x1B, 0x01, 0x00, 0x00, 0x01, 0x00}));
  EXPECT_EQ(commands[2], commands[0]);
}

TEST_F(SerialNumberTest, ADevicePathThatNamesNoDriveGivesAnEmptySerial) {
  testing::EmulationFolder folder({Drive("D1")});
  EXPECT_EQ(ReadSerialNumber(u"\\\\?\\emulated#nothing"), u"");
  EXPECT_EQ(ReadSerialNumber(u""), u"");
  EXPECT_EQ(emulation::OpenSessionCount(), 0u);
}

class InquiryTest : public SerialNumberTest {
 protected:
  // Opens the one drive, sends the INQUIRY and closes it again.
  uint32_t Inquire(platform::DeviceIoMode mode = platform::DeviceIoMode::kSynchronous) {
    platform::DeviceObject* device = platform::OpenDevice(DiskPath(), mode);
    EXPECT_NE(device, nullptr);
    if (device == nullptr) return 0xFFFFFFFF;
    m_buffer.assign(kSerialNumberBufferSize, 0);
    const uint32_t result = InquireUnitSerialNumber(device, m_buffer.data());
    platform::CloseDevice(device);
    return result;
  }

  std::vector<uint8_t> m_buffer;
};

TEST_F(InquiryTest, ResultCodes) {
  {
    testing::EmulationFolder folder({Drive("G1")});
    EXPECT_EQ(Inquire(), 0u);
    EXPECT_EQ(m_buffer[1], 0x80);
    EXPECT_EQ(m_buffer[4], 'G');
  }
  {
    testing::EmulationFolder folder({Drive("C1", {Sense(0x05, 0x24, 0x00)})});
    EXPECT_EQ(Inquire(), 13u);
  }
  {
    testing::EmulationFolder folder({Drive("C2", {Step(ReplyKind::kBecomingReady, 10)})});
    EXPECT_EQ(Inquire(), 13u);
  }
  {
    testing::EmulationFolder folder({Drive("T1", {Step(ReplyKind::kTransportError)})});
    EXPECT_EQ(Inquire(), platform::kErrorIoDevice);
  }
}

TEST_F(InquiryTest, NoEventMeansNothingIsSent) {
  testing::EmulationFolder folder({Drive("E1")});
  platform::ArmFault(platform::FaultSite::kCreateEvent, 1, false);
  EXPECT_EQ(Inquire(), platform::kErrorNoSystemResources);
  EXPECT_EQ(Operations(), "");
}

TEST_F(InquiryTest, PendingRequestsAreWaitedFor) {
  // A device opened for overlapped I/O reports every request pending.
  testing::EmulationFolder folder(
      {Drive("P1", {Step(ReplyKind::kBecomingReady, 2), Step(ReplyKind::kNeedsStartUnit)})});
  EXPECT_EQ(Inquire(platform::DeviceIoMode::kOverlapped), 0u);
  EXPECT_EQ(Operations(), "IIISI");
  EXPECT_EQ(m_buffer[4], 'P');
}

TEST_F(InquiryTest, APendingRequestThatFailsGivesItsErrorAndNoBytes) {
  testing::EmulationFolder folder({Drive("P2", {Step(ReplyKind::kTransportError)})});
  platform::DeviceObject* device =
      platform::OpenDevice(DiskPath(), platform::DeviceIoMode::kOverlapped);
  ASSERT_NE(device, nullptr);
  std::vector<uint8_t> buffer(kSerialNumberBufferSize, 0);
  PassThroughRequest record = MakeInquirySerialNumberRequest(buffer.data());
  uint32_t bytes = 1234;
  EXPECT_FALSE(SendPassThrough(device, &record, kPassThroughRequestSize, &record,
                               kPassThroughRequestSize, &bytes));
  EXPECT_EQ(platform::GetLastErrorCode(), platform::kErrorIoDevice);
  EXPECT_EQ(bytes, 0u);
  platform::CloseDevice(device);
}

TEST_F(InquiryTest, AFailedWaitForAPendingRequestFails) {
  testing::EmulationFolder folder({Drive("W1")});
  platform::DeviceObject* device =
      platform::OpenDevice(DiskPath(), platform::DeviceIoMode::kOverlapped);
  ASSERT_NE(device, nullptr);
  std::vector<uint8_t> buffer(kSerialNumberBufferSize, 0);
  PassThroughRequest record = MakeInquirySerialNumberRequest(buffer.data());
  uint32_t bytes = 0;
  platform::ArmFault(platform::FaultSite::kWait, 1, false);
  EXPECT_FALSE(SendPassThrough(device, &record, kPassThroughRequestSize, &record,
                               kPassThroughRequestSize, &bytes));
  platform::CloseDevice(device);
}

TEST_F(InquiryTest, ARequestAndItsReplyMayBeSeparateRecords) {
  testing::EmulationFolder folder({Drive("R2", {Step(ReplyKind::kBecomingReady, 2)})});
  platform::DeviceObject* device =
      platform::OpenDevice(DiskPath(), platform::DeviceIoMode::kSynchronous);
  ASSERT_NE(device, nullptr);
  std::vector<uint8_t> buffer(kSerialNumberBufferSize, 0);
  const PassThroughRequest request = MakeInquirySerialNumberRequest(buffer.data());
  PassThroughRequest reply{};
  uint32_t bytes = 0;
  EXPECT_TRUE(SendPassThrough(device, &request, kPassThroughRequestSize, &reply,
                              kPassThroughRequestSize, &bytes));
  EXPECT_EQ(reply.header.scsiStatus, platform::kScsiStatusGood);
  EXPECT_EQ(reply.header.dataTransferLength, 6u);  // 4 header bytes and "R2"
  EXPECT_EQ(request.header.dataTransferLength, kSerialNumberBufferSize);
  EXPECT_EQ(Operations(), "III");
  platform::CloseDevice(device);
}

// The real backend, without emulation: what is not a SCSI disk gives no
// serial number and keeps no descriptor open.
size_t OpenDescriptorCount() {
  size_t count = 0;
  DIR* dir = opendir("/proc/self/fd");
  if (dir == nullptr) return 0;
  while (readdir(dir) != nullptr) ++count;
  closedir(dir);
  return count;
}

TEST_F(SerialNumberTest, NotADiskOnTheRealBackend) {
  testing::ScopedEnv noEmulation("BRIDGEFW_EMULATION", nullptr);
  testing::TempDir dir;
  testing::WriteWholeFile(dir.Native("plain"), "not a disk");
  const size_t before = OpenDescriptorCount();
  EXPECT_EQ(ReadSerialNumber(dir.Core("plain")), u"");
  EXPECT_EQ(ReadSerialNumber(dir.Core("missing")), u"");
  EXPECT_EQ(OpenDescriptorCount(), before);

  EXPECT_EQ(platform::OpenDevice(dir.Core("missing"), platform::DeviceIoMode::kSynchronous),
            nullptr);
  EXPECT_EQ(platform::GetLastErrorCode(), platform::kErrorFileNotFound);
  platform::DeviceObject* file =
      platform::OpenDevice(dir.Core("plain"), platform::DeviceIoMode::kSynchronous);
  ASSERT_NE(file, nullptr);
  std::vector<uint8_t> buffer(kSerialNumberBufferSize, 0);
  EXPECT_EQ(InquireUnitSerialNumber(file, buffer.data()), platform::kErrorInvalidFunction);
  platform::CloseDevice(file);
}

}  // namespace
}  // namespace bridgefw
