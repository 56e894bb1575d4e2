// Implementation detail of the SCSI service: one SCSI command as a transport carries it,
// and what came back.
#pragma once

#include <cstddef>
#include <cstdint>

namespace bridgefw::platform {

enum class DataDirection { kNone, kIn, kOut };

struct ScsiExchange {
  // What to send.
  const uint8_t* cdb = nullptr;
  size_t cdbLength = 0;
  DataDirection direction = DataDirection::kNone;
  void* data = nullptr;
  uint32_t dataLength = 0;
  uint32_t timeoutMs = 0;

  // What came back when the command reached the device.
  uint8_t status = 0;
  uint8_t sense[64] = {};  // as the device gave it (fixed or descriptor format)
  size_t senseLength = 0;
  uint32_t transferred = 0;
};

}  // namespace bridgefw::platform
