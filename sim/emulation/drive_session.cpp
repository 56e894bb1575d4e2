#include "emulation/drive_session.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <utility>

#include "emulation/command_journal.h"

namespace bridgefw::emulation {
namespace {

constexpr uint8_t kInquiry = 0x12;
constexpr uint8_t kStartStopUnit = 0x1B;
constexpr uint8_t kSerialNumberPage = 0x80;
constexpr uint8_t kNotReady = 0x02;
constexpr uint8_t kIllegalRequest = 0x05;

std::atomic<size_t> g_openSessions{0};

}  // namespace

std::vector<uint8_t> FixedSense(uint8_t senseKey, uint8_t asc, uint8_t ascq) {
  std::vector<uint8_t> sense(18, 0);
  sense[0] = 0x70;  // current error, fixed format
  sense[2] = senseKey & 0x0F;
  sense[7] = 10;  // additional length
  sense[12] = asc;
  sense[13] = ascq;
  return sense;
}

std::vector<uint8_t> DescriptorSense(uint8_t senseKey, uint8_t asc, uint8_t ascq) {
  return {0x72, static_cast<uint8_t>(senseKey & 0x0F), asc, ascq, 0, 0, 0, 0};
}

size_t OpenSessionCount() {
  return g_openSessions.load();
}

DriveSession::DriveSession(EmulatedDrive drive) : m_drive(std::move(drive)) {
  g_openSessions.fetch_add(1);
}

DriveSession::~DriveSession() {
  g_openSessions.fetch_sub(1);
}

CommandReply DriveSession::CheckCondition(uint8_t senseKey, uint8_t asc, uint8_t ascq) const {
  CommandReply reply;
  reply.status = kStatusCheckCondition;
  reply.sense = m_drive.descriptorSense ? DescriptorSense(senseKey, asc, ascq)
                                        : FixedSense(senseKey, asc, ascq);
  return reply;
}

CommandReply DriveSession::Execute(const uint8_t* cdb, size_t cdbLength, uint8_t* data,
                                   uint32_t dataLength) {
  RecordCommand(m_drive.devicePath, cdb, cdbLength);
  if (cdb == nullptr || cdbLength < 6) return CheckCondition(kIllegalRequest, 0x20, 0x00);
  switch (cdb[0]) {
    case kInquiry:
      return AnswerInquiry(cdb, data, dataLength);
    case kStartStopUnit:
      if (m_step < m_drive.script.size() &&
          m_drive.script[m_step].kind == ReplyKind::kNeedsStartUnit) {
        ++m_step;
        m_usedTimes = 0;
      }
      return CommandReply{};
    default:
      return CheckCondition(kIllegalRequest, 0x20, 0x00);
  }
}

CommandReply DriveSession::AnswerInquiry(const uint8_t* cdb, uint8_t* data, uint32_t dataLength) {
  if ((cdb[1] & 0x01) == 0 || cdb[2] != kSerialNumberPage) {
    return CheckCondition(kIllegalRequest, 0x24, 0x00);
  }
  // Steps whose count is used up (or zero) are passed over.
  while (m_step < m_drive.script.size()) {
    const ScriptStep& step = m_drive.script[m_step];
    if (step.kind == ReplyKind::kNeedsStartUnit || m_usedTimes < step.times) break;
    ++m_step;
    m_usedTimes = 0;
  }
  if (m_step < m_drive.script.size()) {
    const ScriptStep& step = m_drive.script[m_step];
    ++m_usedTimes;
    switch (step.kind) {
      case ReplyKind::kBecomingReady:
        return CheckCondition(kNotReady, 0x04, 0x01);
      case ReplyKind::kNeedsStartUnit:
        return CheckCondition(kNotReady, 0x04, 0x02);
      case ReplyKind::kCheckCondition:
        return CheckCondition(step.senseKey, step.asc, step.ascq);
      case ReplyKind::kStatus: {
        CommandReply reply;
        reply.status = step.status;
        return reply;
      }
      case ReplyKind::kTransportError: {
        CommandReply reply;
        reply.transportFailed = true;
        return reply;
      }
    }
  }
  const size_t allocation = static_cast<size_t>(cdb[3]) << 8 | cdb[4];
  const size_t count =
      data == nullptr ? 0 : std::min({m_drive.page80.size(), allocation, size_t{dataLength}});
  if (count > 0) std::memcpy(data, m_drive.page80.data(), count);
  CommandReply reply;
  reply.transferred = static_cast<uint32_t>(count);
  return reply;
}

}  // namespace bridgefw::emulation
