#include "platform/scsi_request.h"

#include <algorithm>
#include <cstring>

#include "platform/error.h"
#include "platform/sense.h"
#include "platform/sync.h"

namespace bridgefw::platform {
namespace {

constexpr uint32_t kHeaderSize = sizeof(ScsiPassThroughDirect);
constexpr uint32_t kMaxTimeOutSeconds = 0xFFFFFFFFu / 1000;

}  // namespace

bool ReadPassThroughRequest(const void* request, uint32_t requestSize, const void* reply,
                            uint32_t replySize, ScsiPassThroughDirect& header) {
  if (request == nullptr || reply == nullptr || requestSize < kHeaderSize ||
      replySize < kHeaderSize) {
    return false;
  }
  std::memcpy(&header, request, kHeaderSize);
  if (header.length != kHeaderSize || header.cdbLength == 0 ||
      header.cdbLength > sizeof header.cdb || header.dataIn > kScsiDataUnspecified) {
    return false;
  }
  if (header.dataTransferLength > 0 && header.dataBuffer == nullptr) return false;
  if (header.senseInfoLength > 0 &&
      (header.senseInfoOffset < kHeaderSize ||
       uint64_t{header.senseInfoOffset} + header.senseInfoLength > replySize)) {
    return false;
  }
  return true;
}

ScsiExchange ExchangeFor(const ScsiPassThroughDirect& header) {
  ScsiExchange exchange;
  exchange.cdb = header.cdb;
  exchange.cdbLength = header.cdbLength;
  exchange.direction = header.dataIn == kScsiDataOut ? DataDirection::kOut : DataDirection::kIn;
  exchange.data = header.dataBuffer;
  exchange.dataLength = header.dataTransferLength;
  exchange.timeoutMs = std::min(header.timeOutValue, kMaxTimeOutSeconds) * 1000;
  return exchange;
}

uint32_t WritePassThroughReply(ScsiPassThroughDirect header, const ScsiExchange& exchange,
                               void* reply) {
  header.scsiStatus = exchange.status;
  header.dataTransferLength = exchange.transferred;
  uint32_t written = kHeaderSize;
  uint8_t fixed[kFixedSenseLength];
  if (header.senseInfoLength > 0 && exchange.senseLength > 0 &&
      ToFixedFormatSense(exchange.sense, exchange.senseLength, fixed)) {
    const auto count = static_cast<uint8_t>(std::min<size_t>(header.senseInfoLength, sizeof fixed));
    std::memcpy(static_cast<unsigned char*>(reply) + header.senseInfoOffset, fixed, count);
    header.senseInfoLength = count;
    written = header.senseInfoOffset + count;
  } else {
    header.senseInfoLength = 0;
  }
  std::memcpy(reply, &header, kHeaderSize);
  return written;
}

bool ReportCarriedOutRequest(bool overlappedDevice, bool completed, uint32_t error,
                             uint32_t written, uint32_t* bytesReturned, IoOverlapped* overlapped) {
  if (overlappedDevice) {
    // Completed already, but reported the way an overlapped device reports
    // a request that is still running.
    overlapped->internalError = completed ? kErrorSuccess : error;
    overlapped->internalBytes = written;
    if (overlapped->event != nullptr) SetEventObject(overlapped->event);
    SetLastErrorCode(kErrorIoPending);
    return false;
  }
  if (!completed) {
    SetLastErrorCode(error);
    return false;
  }
  if (bytesReturned != nullptr) *bytesReturned = written;
  return true;
}

bool CollectCarriedOutRequest(const IoOverlapped& overlapped, uint32_t* bytes) {
  if (bytes != nullptr) *bytes = overlapped.internalBytes;
  if (overlapped.internalError != kErrorSuccess) {
    SetLastErrorCode(overlapped.internalError);
    return false;
  }
  return true;
}

}  // namespace bridgefw::platform
