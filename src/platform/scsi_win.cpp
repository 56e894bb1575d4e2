// SCSI pass-through on Windows: CreateFileW and DeviceIoControl with
// IOCTL_SCSI_PASS_THROUGH_DIRECT; with BRIDGEFW_EMULATION set, the emulated
// drives answer (emulated_scsi.h), chosen at every open as on POSIX.
//
// The system moves the data straight to or from the caller's buffer, which
// must then meet the adapter's alignment (its AlignmentMask). A buffer that
// does not is replaced by an aligned copy for the request.
// windows.h comes before every other system header.
#include <windows.h>

#include <ntddscsi.h>
#include <winioctl.h>

#include <malloc.h>
#include <cstddef>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "emulation/drive_session.h"
#include "platform/backend.h"
#include "platform/emulated_scsi.h"
#include "platform/error.h"
#include "platform/scsi.h"
#include "platform/scsi_request.h"
#include "platform/win_text.h"

namespace bridgefw::platform {

// The platform's record is handed to the system unchanged.
static_assert(sizeof(ScsiPassThroughDirect) == sizeof(SCSI_PASS_THROUGH_DIRECT));
static_assert(offsetof(ScsiPassThroughDirect, scsiStatus) ==
              offsetof(SCSI_PASS_THROUGH_DIRECT, ScsiStatus));
static_assert(offsetof(ScsiPassThroughDirect, dataIn) ==
              offsetof(SCSI_PASS_THROUGH_DIRECT, DataIn));
static_assert(offsetof(ScsiPassThroughDirect, dataTransferLength) ==
              offsetof(SCSI_PASS_THROUGH_DIRECT, DataTransferLength));
static_assert(offsetof(ScsiPassThroughDirect, timeOutValue) ==
              offsetof(SCSI_PASS_THROUGH_DIRECT, TimeOutValue));
static_assert(offsetof(ScsiPassThroughDirect, dataBuffer) ==
              offsetof(SCSI_PASS_THROUGH_DIRECT, DataBuffer));
static_assert(offsetof(ScsiPassThroughDirect, senseInfoOffset) ==
              offsetof(SCSI_PASS_THROUGH_DIRECT, SenseInfoOffset));
static_assert(offsetof(ScsiPassThroughDirect, cdb) == offsetof(SCSI_PASS_THROUGH_DIRECT, Cdb));
#if defined(__i386__)
static_assert(sizeof(ScsiPassThroughDirect) == 44, "44 bytes on 32-bit Windows");
static_assert(offsetof(ScsiPassThroughDirect, dataBuffer) == 20);
static_assert(offsetof(ScsiPassThroughDirect, senseInfoOffset) == 24);
static_assert(offsetof(ScsiPassThroughDirect, cdb) == 28);
#endif

namespace {

struct AlignedFree {
  void operator()(void* block) const { _aligned_free(block); }
};
using AlignedBuffer = std::unique_ptr<void, AlignedFree>;

}  // namespace

// Either a system handle or an emulated drive's session.
struct DeviceObject {
  HANDLE handle = INVALID_HANDLE_VALUE;
  std::unique_ptr<emulation::DriveSession> session;
  bool overlapped = false;
  DWORD alignmentMask = 0;
  // The request that the system reports pending.
  OVERLAPPED system{};
  AlignedBuffer bounce;
  void* callerBuffer = nullptr;
  uint32_t bounceLength = 0;
  bool bounceIn = false;
};

namespace {

// The adapter's alignment mask for data buffers; 0 when it cannot be had.
DWORD QueryAlignmentMask(HANDLE device) {
  STORAGE_PROPERTY_QUERY query{};
  query.PropertyId = StorageAdapterProperty;
  query.QueryType = PropertyStandardQuery;
  STORAGE_ADAPTER_DESCRIPTOR adapter{};
  DWORD bytes = 0;
  if (::DeviceIoControl(device, IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query, &adapter,
                        sizeof adapter, &bytes, nullptr) == 0 ||
      bytes < offsetof(STORAGE_ADAPTER_DESCRIPTOR, AlignmentMask) + sizeof(DWORD)) {
    return 0;
  }
  return adapter.AlignmentMask;
}

// Copies an aligned buffer's data back to the caller's after a data-in
// request, and puts the caller's address back into the reply.
void FinishBounce(DeviceObject& device, void* reply, uint32_t moved) {
  if (device.bounce == nullptr) return;
  if (device.bounceIn) {
    std::memcpy(device.callerBuffer, device.bounce.get(),
                moved < device.bounceLength ? moved : device.bounceLength);
  }
  if (reply != nullptr) {
    std::memcpy(static_cast<unsigned char*>(reply) + offsetof(ScsiPassThroughDirect, dataBuffer),
                &device.callerBuffer, sizeof(void*));
  }
  device.bounce.reset();
}

bool SendToSystem(DeviceObject& device, const ScsiPassThroughDirect& header, const void* request,
                  uint32_t requestSize, void* reply, uint32_t replySize, uint32_t* bytesReturned,
                  IoOverlapped* overlapped) {
  std::vector<unsigned char> copy(static_cast<const unsigned char*>(request),
                                  static_cast<const unsigned char*>(request) + requestSize);
  const auto address = reinterpret_cast<uintptr_t>(header.dataBuffer);
  device.bounce.reset();
  if (header.dataTransferLength > 0 && (address & device.alignmentMask) != 0) {
    device.bounce.reset(_aligned_malloc(header.dataTransferLength, device.alignmentMask + 1u));
    if (device.bounce == nullptr) {
      SetLastErrorCode(kErrorNotEnoughMemory);
      return false;
    }
    device.callerBuffer = header.dataBuffer;
    device.bounceLength = header.dataTransferLength;
    device.bounceIn = header.dataIn != kScsiDataOut;
    if (!device.bounceIn) {
      std::memcpy(device.bounce.get(), header.dataBuffer, header.dataTransferLength);
    }
    void* aligned = device.bounce.get();
    std::memcpy(copy.data() + offsetof(ScsiPassThroughDirect, dataBuffer), &aligned,
                sizeof aligned);
  }
  OVERLAPPED* system = nullptr;
  if (device.overlapped) {
    device.system = OVERLAPPED{};
    device.system.hEvent = overlapped->event;
    system = &device.system;
  }
  DWORD bytes = 0;
  const BOOL ok = ::DeviceIoControl(device.handle, IOCTL_SCSI_PASS_THROUGH_DIRECT, copy.data(),
                                    requestSize, reply, replySize, &bytes, system);
  if (ok == 0) {
    const DWORD error = ::GetLastError();
    if (error != ERROR_IO_PENDING) device.bounce.reset();
    ::SetLastError(error);
    return false;
  }
  ScsiPassThroughDirect done{};
  std::memcpy(&done, reply, sizeof done);
  FinishBounce(device, reply, done.dataTransferLength);
  if (bytesReturned != nullptr) *bytesReturned = bytes;
  return true;
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
    const std::string folder = EmulationFolder();
    if (!folder.empty()) {
      uint32_t error = 0;
      device->session = OpenEmulatedDrive(folder, NarrowUtf8(devicePath), error);
      if (device->session == nullptr) {
        SetLastErrorCode(error);
        return nullptr;
      }
      return device.release();
    }
    device->handle = ::CreateFileW(ToWide(devicePath), GENERIC_READ | GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                   device->overlapped ? FILE_FLAG_OVERLAPPED : 0, nullptr);
    if (device->handle == INVALID_HANDLE_VALUE) return nullptr;
    device->alignmentMask = QueryAlignmentMask(device->handle);
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
  const bool closed = device->handle == INVALID_HANDLE_VALUE || ::CloseHandle(device->handle) != 0;
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
  if (device->session == nullptr) {
    return SendToSystem(*device, header, request, requestSize, reply, replySize, bytesReturned,
                        overlapped);
  }
  ScsiExchange exchange = ExchangeFor(header);
  uint32_t error = 0;
  const bool completed = RunEmulated(*device->session, exchange, error);
  const uint32_t written = completed ? WritePassThroughReply(header, exchange, reply) : 0;
  return ReportCarriedOutRequest(device->overlapped, completed, error, written, bytesReturned,
                                 overlapped);
}

bool GetDeviceIoResult(DeviceObject* device, IoOverlapped* overlapped, uint32_t* bytes, bool wait) {
  if (device == nullptr) {
    SetLastErrorCode(kErrorInvalidHandle);
    return false;
  }
  if (overlapped == nullptr) {
    SetLastErrorCode(kErrorInvalidParameter);
    return false;
  }
  if (device->session != nullptr) return CollectCarriedOutRequest(*overlapped, bytes);
  DWORD moved = 0;
  if (::GetOverlappedResult(device->handle, &device->system, &moved, wait ? TRUE : FALSE) == 0) {
    const DWORD error = ::GetLastError();
    if (error != ERROR_IO_INCOMPLETE) device->bounce.reset();
    ::SetLastError(error);
    return false;
  }
  // The reply's data length is not at hand here; the whole aligned buffer
  // goes back.
  FinishBounce(*device, nullptr, device->bounceLength);
  if (bytes != nullptr) *bytes = moved;
  return true;
}

}  // namespace bridgefw::platform
