// Implementation detail of the SCSI service: reading a pass-through request,
// writing its reply, and reporting a request that a transport of the
// platform layer has carried out (the POSIX transports, and the emulated
// drives on every platform).
#pragma once

#include <cstdint>

#include "platform/scsi.h"
#include "platform/scsi_exchange.h"

namespace bridgefw::platform {

// Reads and checks the request's header: false for a request the system
// would refuse as an invalid parameter.
bool ReadPassThroughRequest(const void* request, uint32_t requestSize, const void* reply,
                            uint32_t replySize, ScsiPassThroughDirect& header);

// The command of a checked header.
ScsiExchange ExchangeFor(const ScsiPassThroughDirect& header);

// Writes the completed command's header and fixed-format sense into the
// reply; returns the bytes written.
uint32_t WritePassThroughReply(ScsiPassThroughDirect header, const ScsiExchange& exchange,
                               void* reply);

// The result of DeviceIoControl for a request that has been carried out
// (`completed`, or failed in transport with `error`): on an overlapped
// device it is reported pending and `overlapped` keeps the outcome.
bool ReportCarriedOutRequest(bool overlappedDevice, bool completed, uint32_t error,
                             uint32_t written, uint32_t* bytesReturned, IoOverlapped* overlapped);

// GetOverlappedResult for such a request.
bool CollectCarriedOutRequest(const IoOverlapped& overlapped, uint32_t* bytes);

}  // namespace bridgefw::platform
