#include "drives/pass_through.h"

#include <cstring>

#include "platform/error.h"
#include "platform/sync.h"

namespace bridgefw {
namespace {

constexpr uint8_t kSenseInfoLength = 18;
constexpr uint32_t kTimeOutSeconds = 20;
constexpr int kMaxSendings = 10;

constexpr uint8_t kSenseKeyNotReady = 0x02;

PassThroughRequest ZeroedRequest() {
  PassThroughRequest record;
  std::memset(&record, 0, sizeof record);
  record.header.length = sizeof(platform::ScsiPassThroughDirect);
  record.header.cdbLength = 6;
  record.header.senseInfoLength = kSenseInfoLength;
  record.header.timeOutValue = kTimeOutSeconds;
  record.header.senseInfoOffset = offsetof(PassThroughRequest, sense);
  record.totalLength = kPassThroughRequestSize;
  return record;
}

// One sending of a request, waited for when the platform reports it pending.
bool SendOnce(platform::DeviceObject* device, const PassThroughRequest* request,
              uint32_t requestSize, PassThroughRequest* reply, uint32_t replySize,
              uint32_t* bytesReturned, platform::IoOverlapped* overlapped) {
  if (platform::SendScsiPassThroughDirect(device, request, requestSize, reply, replySize,
                                          bytesReturned, overlapped)) {
    return true;
  }
  if (platform::GetLastErrorCode() != platform::kErrorIoPending) return false;
  return WaitForPendingIo(overlapped, device, bytesReturned);
}

bool IsNotReady(const PassThroughRequest* reply, uint32_t replySize) {
  return replySize >= kPassThroughRequestSize &&
         reply->header.scsiStatus == platform::kScsiStatusCheckCondition &&
         (reply->sense[2] & 0x0F) == kSenseKeyNotReady;
}

}  // namespace

PassThroughRequest MakeInquirySerialNumberRequest(uint8_t* buffer) {
  PassThroughRequest record = ZeroedRequest();
  record.header.dataIn = platform::kScsiDataIn;
  record.header.dataTransferLength = kSerialNumberBufferSize;
  record.header.dataBuffer = buffer;
  const uint8_t cdb[6] = {0x12, 0x01, 0x80, 0x7F, 0xFF, 0x00};
  std::memcpy(record.header.cdb, cdb, sizeof cdb);
  return record;
}

PassThroughRequest MakeStartStopUnitRequest() {
  PassThroughRequest record = ZeroedRequest();
  record.header.dataIn = platform::kScsiDataOut;
  const uint8_t cdb[6] = {0x1B, 0x01, 0x00, 0x00, 0x01, 0x00};
  std::memcpy(record.header.cdb, cdb, sizeof cdb);
  return record;
}

bool SendPassThrough(platform::DeviceObject* device, const PassThroughRequest* request,
                     uint32_t requestSize, PassThroughRequest* reply, uint32_t replySize,
                     uint32_t* bytesReturned) {
  const platform::Handle event = platform::CreateEventObject(false, false);
  if (event == nullptr) return false;
  platform::IoOverlapped overlapped;
  overlapped.event = event;

  // Every sending sends this copy: what a reply writes (into the caller's
  // record, which may be the request itself) never changes what is sent.
  const PassThroughRequest copy = *request;
  bool result = false;
  for (int attemptsLeft = kMaxSendings; attemptsLeft > 0;) {
    result = SendOnce(device, &copy, requestSize, reply, replySize, bytesReturned, &overlapped);
    if (!IsNotReady(reply, replySize)) break;
    const uint8_t asc = reply->sense[12];
    const uint8_t ascq = reply->sense[13];
    if (asc == 0x04 && ascq == 0x01) {
      --attemptsLeft;
    } else if (asc == 0x04 && ascq == 0x02) {
      --attemptsLeft;
      PassThroughRequest start = MakeStartStopUnitRequest();
      uint32_t startBytes = 0;
      SendOnce(device, &start, kPassThroughRequestSize, &start, kPassThroughRequestSize,
               &startBytes, &overlapped);
    } else {
      break;
    }
  }
  // Closing the event must not hide the error of a failed sending.
  const uint32_t error = platform::GetLastErrorCode();
  platform::CloseObject(event);
  platform::SetLastErrorCode(error);
  return result;
}

bool WaitForPendingIo(platform::IoOverlapped* overlapped, platform::DeviceObject* device,
                      uint32_t* bytesReturned) {
  const platform::Handle events[1] = {overlapped->event};
  if (platform::WaitForAnyObject(1, events, platform::kInfinite) != platform::kWaitObject0) {
    return false;
  }
  if (platform::GetDeviceIoResult(device, overlapped, bytesReturned, true)) return true;
  if (bytesReturned != nullptr) *bytesReturned = 0;
  return false;
}

}  // namespace bridgefw
