// SCSI pass-through to a disk opened by its device path, after
// IOCTL_SCSI_PASS_THROUGH_DIRECT: a command block of up to 16 bytes, data
// in or out of the caller's buffer (or none), fixed-format sense data and a
// time-out, giving the platform's result, the SCSI status and the sense.
//
// Failures return false/null and set the thread's last error (Windows
// codes).
//
// POSIX backends, chosen at every open (see platform/device.h): with
// BRIDGEFW_EMULATION set, the device path names a drive of the emulation
// folder, and the emulated drive answers; otherwise the path is a core
// path of a disk ("\dev\sdb"), opened O_RDONLY | O_NONBLOCK (INQUIRY and
// START STOP UNIT are allowed on a read-only open, and the open does not
// spin up a sleeping disk), and the command goes through SG_IO. Sense data
// in descriptor format are converted to the fixed format (platform/sense.h).
#pragma once

#include <cstdint>

#include "platform/sync.h"
#include "platform/text.h"

namespace bridgefw::platform {

constexpr uint32_t kErrorInvalidFunction = 1;
constexpr uint32_t kErrorSemTimeout = 121;
constexpr uint32_t kErrorIoPending = 997;
constexpr uint32_t kErrorIoDevice = 1117;

struct DeviceObject;

enum class DeviceIoMode {
  kSynchronous,  // every request completes before the call returns
  kOverlapped,   // a request may be reported pending (kErrorIoPending)
};

// CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ |
// FILE_SHARE_WRITE, no security, OPEN_EXISTING, no flags or
// FILE_FLAG_OVERLAPPED, no template). Null on failure: kErrorFileNotFound
// for no such device, kErrorAccessDenied for no permission, ...
DeviceObject* OpenDevice(const WString& devicePath, DeviceIoMode mode);
// CloseHandle: closes and frees the record.
bool CloseDevice(DeviceObject* device);

// SCSI_PASS_THROUGH_DIRECT (the same fields and, on Windows, the same
// layout: 44 bytes on 32-bit targets).
struct ScsiPassThroughDirect {
  uint16_t length;  // sizeof(ScsiPassThroughDirect)
  uint8_t scsiStatus;
  uint8_t pathId;
  uint8_t targetId;
  uint8_t lun;
  uint8_t cdbLength;
  uint8_t senseInfoLength;
  uint8_t dataIn;  // kScsiDataOut, kScsiDataIn or kScsiDataUnspecified
  uint32_t dataTransferLength;
  uint32_t timeOutValue;  // seconds
  void* dataBuffer;
  uint32_t senseInfoOffset;  // from the start of the record
  uint8_t cdb[16];
};

constexpr uint8_t kScsiDataOut = 0;
constexpr uint8_t kScsiDataIn = 1;
constexpr uint8_t kScsiDataUnspecified = 2;

constexpr uint8_t kScsiStatusGood = 0x00;
constexpr uint8_t kScsiStatusCheckCondition = 0x02;

// OVERLAPPED: the caller sets `event` (an auto-reset event of
// platform/sync.h); the platform signals it when a request that it reported
// pending has completed. The other fields are the platform's.
struct IoOverlapped {
  Handle event = nullptr;
  uint32_t internalError = 0;
  uint32_t internalBytes = 0;
};

// DeviceIoControl(device, IOCTL_SCSI_PASS_THROUGH_DIRECT, request,
// requestSize, reply, replySize, bytesReturned, overlapped).
// `request` begins with a ScsiPassThroughDirect; `reply` (which may be the
// same record) receives, when the command reached the device, the request's
// header with scsiStatus, dataTransferLength (bytes moved) and
// senseInfoLength (sense bytes stored) set, and the sense data in the fixed
// format at senseInfoOffset (up to senseInfoLength bytes, only when the
// device returned sense). The data move to or from dataBuffer.
// `bytesReturned` receives the bytes of the reply that were written.
// True when the command completed, whatever its SCSI status. False on
// failure in transport (kErrorSemTimeout for the time-out, kErrorIoDevice,
// kErrorInvalidFunction for a device that takes no SCSI commands, ...),
// kErrorInvalidParameter for an inconsistent request, kErrorInvalidHandle
// for a null device; the reply is then not written. On a device opened
// kOverlapped the call may also return false with kErrorIoPending: the
// request's outcome is then collected with GetDeviceIoResult once
// `overlapped->event` is signalled (a null `overlapped` fails with
// kErrorInvalidParameter on such a device).
bool SendScsiPassThroughDirect(DeviceObject* device, const void* request, uint32_t requestSize,
                               void* reply, uint32_t replySize, uint32_t* bytesReturned,
                               IoOverlapped* overlapped);

// GetOverlappedResult(device, overlapped, bytes, wait): the outcome of a
// request that was reported pending: true with the byte count, or false
// with the request's error code as the last error.
bool GetDeviceIoResult(DeviceObject* device, IoOverlapped* overlapped, uint32_t* bytes, bool wait);

}  // namespace bridgefw::platform
