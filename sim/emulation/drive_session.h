// One opened emulated drive: answers SCSI commands from the drive's
// description. The reply script starts afresh with every session, so each
// opening of the device sees the same replies.
//
// Commands: INQUIRY of the unit serial number page (12h, EVPD, page 80h)
// takes the script's next reply, or, once the script is used up, GOOD with
// the page bytes (as many as the allocation length and the buffer allow).
// START STOP UNIT (1Bh) answers GOOD and ends a waiting kNeedsStartUnit
// step. Any other command answers CHECK CONDITION, ILLEGAL REQUEST,
// 20h/00h (invalid command operation code); any other INQUIRY 24h/00h
// (invalid field in CDB).
//
// Every command is entered in the command journal (command_journal.h).
// A session is used by one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "emulation/emulated_drive.h"

namespace bridgefw::emulation {

struct CommandReply {
  // The request did not reach the drive; no status, no sense, no data.
  bool transportFailed = false;
  uint8_t status = 0;
  // Sense data as the drive returns them (fixed or descriptor format).
  std::vector<uint8_t> sense;
  // Bytes placed into the data buffer.
  uint32_t transferred = 0;
};

constexpr uint8_t kStatusGood = 0x00;
constexpr uint8_t kStatusCheckCondition = 0x02;

class DriveSession {
 public:
  explicit DriveSession(EmulatedDrive drive);
  ~DriveSession();
  DriveSession(const DriveSession&) = delete;
  DriveSession& operator=(const DriveSession&) = delete;

  // `data` of `dataLength` bytes receives the data of a data-in command.
  CommandReply Execute(const uint8_t* cdb, size_t cdbLength, uint8_t* data, uint32_t dataLength);

  const EmulatedDrive& drive() const { return m_drive; }

 private:
  CommandReply AnswerInquiry(const uint8_t* cdb, uint8_t* data, uint32_t dataLength);
  CommandReply CheckCondition(uint8_t senseKey, uint8_t asc, uint8_t ascq) const;

  EmulatedDrive m_drive;
  size_t m_step = 0;         // index of the script's current step
  uint32_t m_usedTimes = 0;  // replies given by the current step
};

// Sense data in either format with the given key and codes.
std::vector<uint8_t> FixedSense(uint8_t senseKey, uint8_t asc, uint8_t ascq);
std::vector<uint8_t> DescriptorSense(uint8_t senseKey, uint8_t asc, uint8_t ascq);

// Sessions that exist now, in this process (tests check that no device is
// left open).
size_t OpenSessionCount();

}  // namespace bridgefw::emulation
