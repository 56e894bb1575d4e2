// POSIX implementation detail: the Linux SG_IO transport to a disk.
#pragma once

#include <cstdint>
#include <string>

#include "platform/scsi_exchange.h"

namespace bridgefw::platform {

// Opens a disk's device node read-only and without waiting for a medium.
// -1 on failure, with `error` set to a Windows error code.
int OpenSgDevice(const std::string& nativePath, uint32_t& error);

// Sends one command. False, with `error` set, when it did not complete in
// transport (kErrorSemTimeout for the time-out, kErrorIoDevice for another
// host or driver failure, kErrorInvalidFunction for a node that takes no
// SCSI commands). A CHECK CONDITION that the driver reports only through
// its DRIVER_SENSE flag is reported as CHECK CONDITION.
bool RunSgIo(int fd, ScsiExchange& exchange, uint32_t& error);

}  // namespace bridgefw::platform
