// SCSI pass-through with the not-ready handling: the request record, its two
// commands (INQUIRY of the unit serial number page, START STOP UNIT), and
// the sender that retries while the device becomes ready.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/scsi.h"

namespace bridgefw {

// The pass-through header, a length word, 18 bytes of fixed-format sense
// and padding: 68 bytes on 32-bit targets, with the sense at offset 48.
struct PassThroughRequest {
  platform::ScsiPassThroughDirect header;
  uint32_t totalLength;
  uint8_t sense[18];
  uint8_t padding[2];
};

static_assert(sizeof(void*) != 4 || sizeof(PassThroughRequest) == 68,
              "the record is 68 bytes on 32-bit targets");
static_assert(sizeof(void*) != 4 || offsetof(PassThroughRequest, sense) == 48,
              "the sense buffer is at offset 48 on 32-bit targets");

constexpr uint32_t kPassThroughRequestSize = sizeof(PassThroughRequest);
constexpr uint32_t kSerialNumberBufferSize = 32767;

// A zeroed record for INQUIRY, EVPD, page 80h, allocation length 7FFFh
// (12 01 80 7F FF 00), data in to `buffer` of kSerialNumberBufferSize bytes.
PassThroughRequest MakeInquirySerialNumberRequest(uint8_t* buffer);
// A zeroed record for START STOP UNIT, IMMED and START (1B 01 00 00 01 00),
// no data.
PassThroughRequest MakeStartStopUnitRequest();

// Sends `request` (a copy of it, the same copy every time) and retries while
// the reply is CHECK CONDITION with sense key NOT READY: at once for 04h/01h
// (becoming ready), after a START STOP UNIT for 04h/02h (initializing
// command required); at most ten sendings in all. Any other reply ends the
// sending. Returns the platform's result for the last sending of the
// request. False without sending when no event can be created.
bool SendPassThrough(platform::DeviceObject* device, const PassThroughRequest* request,
                     uint32_t requestSize, PassThroughRequest* reply, uint32_t replySize,
                     uint32_t* bytesReturned);

// Waits without limit for the overlapped record's event, then collects the
// request's result; a failed result sets the count to 0. False when the
// wait fails.
bool WaitForPendingIo(platform::IoOverlapped* overlapped, platform::DeviceObject* device,
                      uint32_t* bytesReturned);

}  // namespace bridgefw
