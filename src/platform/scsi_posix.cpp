#include <unistd.h>

#include <cerrno>
#include <memory>
#include <new>

#include "emulation/drive_session.h"
#include "platform/backend.h"
#include "platform/emulated_scsi.h"
#include "platform/errno_posix.h"
#include "platform/error.h"
#include "platform/paths.h"
#include "platform/scsi.h"
#include "platform/scsi_request.h"
#include "platform/sg_io_posix.h"

namespace bridgefw::platform {

// Either an SG_IO file descriptor or an emulated drive's session.
struct DeviceObject {
  int fd = -1;
  std::unique_ptr<emulation::DriveSession> session;
  bool overlapped = false;
};

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
  if (!ReadPassThroughRequest(request, requestSize, reply, replySize, header) ||
      (device->overlapped && overlapped == nullptr)) {
    SetLastErrorCode(kErrorInvalidParameter);
    return false;
  }
  ScsiExchange exchange = ExchangeFor(header);
  uint32_t error = 0;
  const bool completed = device->session != nullptr ? RunEmulated(*device->session, exchange, error)
                                                    : RunSgIo(device->fd, exchange, error);
  const uint32_t written = completed ? WritePassThroughReply(header, exchange, reply) : 0;
  return ReportCarriedOutRequest(device->overlapped, completed, error, written, bytesReturned,
                                 overlapped);
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
  return CollectCarriedOutRequest(*overlapped, bytes);
}

}  // namespace bridgefw::platform
