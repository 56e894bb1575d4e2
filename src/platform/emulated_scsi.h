// Implementation detail of the SCSI service: the transport to an emulated
// drive, the same on every platform.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/scsi_exchange.h"

namespace bridgefw::emulation {
class DriveSession;
}

namespace bridgefw::platform {

// Opens the drive of `folder` whose device path is `devicePath`. Null on
// failure with `error`: kErrorPathNotFound when the folder cannot be read,
// kErrorFileNotFound for no such drive, kErrorAccessDenied for a drive
// described as unopenable.
std::unique_ptr<emulation::DriveSession> OpenEmulatedDrive(const std::string& folder,
                                                           const std::string& devicePath,
                                                           uint32_t& error);

// Sends one command to the drive. False with kErrorIoDevice when the drive's
// script fails it in transport.
bool RunEmulated(emulation::DriveSession& session, ScsiExchange& exchange, uint32_t& error);

}  // namespace bridgefw::platform
