#include "platform/emulated_scsi.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "emulation/drive_session.h"
#include "emulation/emulation_folder.h"
#include "platform/error.h"
#include "platform/scsi.h"

namespace bridgefw::platform {

std::unique_ptr<emulation::DriveSession> OpenEmulatedDrive(const std::string& folder,
                                                           const std::string& devicePath,
                                                           uint32_t& error) {
  std::vector<emulation::EmulatedDrive> drives;
  std::string reason;
  if (!emulation::ReadEmulationFolder(folder, drives, &reason)) {
    DebugTrace(WidenUtf8("bridgefw emulation: " + reason));
    error = kErrorPathNotFound;
    return nullptr;
  }
  for (emulation::EmulatedDrive& drive : drives) {
    if (drive.devicePath != devicePath) continue;
    if (drive.unopenable) {
      error = kErrorAccessDenied;
      return nullptr;
    }
    return std::make_unique<emulation::DriveSession>(std::move(drive));
  }
  error = kErrorFileNotFound;
  return nullptr;
}

bool RunEmulated(emulation::DriveSession& session, ScsiExchange& exchange, uint32_t& error) {
  const bool dataIn = exchange.direction == DataDirection::kIn;
  const emulation::CommandReply reply = session.Execute(
      exchange.cdb, exchange.cdbLength, dataIn ? static_cast<uint8_t*>(exchange.data) : nullptr,
      dataIn ? exchange.dataLength : 0);
  if (reply.transportFailed) {
    error = kErrorIoDevice;
    return false;
  }
  exchange.status = reply.status;
  exchange.senseLength = std::min(reply.sense.size(), sizeof exchange.sense);
  if (exchange.senseLength > 0)
    std::memcpy(exchange.sense, reply.sense.data(), exchange.senseLength);
  exchange.transferred = reply.transferred;
  return true;
}

}  // namespace bridgefw::platform
