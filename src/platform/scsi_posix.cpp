#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>

#include "emulation/drive_session.h"
#include "platform/backend_posix.h"
#include "platform/emulated_scsi_posix.h"
#include "platform/errno_posix.h"
#include "platform/error.h"
#include "platform/paths.h"
#include "platform/scsi.h"
#include "platform/sense.h"
#include "platform/sg_io_posix.h"

namespace bridgefw::platform {

// Either an SG_IO file descriptor or an emulated drive's session.
struct DeviceObject {
  int fd = -1;
  std::unique_ptr<emulation::DriveSession> session;
  bool overlapped = false;
};

namespace {

constexpr uint32_t kHeaderSize = sizeof(ScsiPassThroughDirect);
constexpr uint32_t kMaxTimeOutSeconds = 0xFFFFFFFFu / 1000;

// Reads and checks the request's header: false for a request the platform
// would refuse as an invalid parameter.
bool ReadRequest(const void* request, uint32_t requestSize, const void* reply, uint32_t replySize,
                 ScsiPassThroughDirect& header) {
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

// Writes the completed command's header and fixed-format sense into the
// reply; returns the bytes written.
uint32_t WriteReply(ScsiPassThroughDirect header, const ScsiExchange& exchange, void* reply) {
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

}  // namespace

DeviceObject* OpenDevice(const WString& devicePath, DeviceIoMode mode) {
  if (devicePath.empty()) {
    SetLastErrorCode(kErrorPathNotFound);
    return nullptr;
  }
  try {
    auto device = std::make_unique<DeviceObject>();
    device->overlapped = mode == DeviceIoMode::kOverlapped;
    uint32_t error = 0;
    const std::string folder = EmulationFolder();
    if (!folder.empty()) {
      device->session = OpenEmulatedDrive(folder, NarrowUtf8(devicePath), error);
      if (device->session == nullptr) {
        SetLastErrorCode(error);
        return nullptr;
      }
    } else {
      device->fd = OpenSgDevice(NativePath(devicePath), error);
      if (device->fd < 0) {
        SetLastErrorCode(error);
        return nullptr;
      }
    }
    return device.release();
  } catch (const std::bad_alloc&) {
    SetLastErrorCode(kErrorNotEnoughMemory);
    return nullptr;
  }
}

bool CloseDevice(DeviceObject* device) {
  if (device == nullptr) {
    SetLastErrorCode(kErrorInvalidHandle);
    return false;
  }
  bool closed = true;
  if (device->fd >= 0 && close(device->fd) != 0) {
    SetLastErrorFromErrno(errno);
    closed = false;
  }
  delete device;
  return closed;
}

bool SendScsiPassThroughDirect(DeviceObject* device, const void* request, uint32_t requestSize,
                               void* reply, uint32_t replySize, uint32_t* bytesReturned,
                               IoOverlapped* overlapped) {
  if (device == nullptr) {
    SetLastErrorCode(kErrorInvalidHandle);
    return false;
  }
  ScsiPassThroughDirect header{};
  if (!ReadRequest(request, requestSize, reply, replySize, header) ||
      (device->overlapped && overlapped == nullptr)) {
    SetLastErrorCode(kErrorInvalidParameter);
    return false;
  }
  ScsiExchange exchange = ExchangeFor(header);
  uint32_t error = 0;
  const bool completed = device->session != nullptr ? RunEmulated(*device->session, exchange, error)
                                                    : RunSgIo(device->fd, exchange, error);
  const uint32_t written = completed ? WriteReply(header, exchange, reply) : 0;

  if (device->overlapped) {
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

bool GetDeviceIoResult(DeviceObject* device, IoOverlapped* overlapped, uint32_t* bytes,
                       bool /*wait*/) {
  if (device == nullptr) {
    SetLastErrorCode(kErrorInvalidHandle);
    return false;
  }
  if (overlapped == nullptr) {
    SetLastErrorCode(kErrorInvalidParameter);
    return false;
  }
  if (bytes != nullptr) *bytes = overlapped->internalBytes;
  if (overlapped->internalError != kErrorSuccess) {
    SetLastErrorCode(overlapped->internalError);
    return false;
  }
  return true;
}

}  // namespace bridgefw::platform
