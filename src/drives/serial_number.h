// A disk's unit serial number, read from the device with INQUIRY.
#pragma once

#include <cstdint>

#include "platform/scsi.h"
#include "platform/text.h"

namespace bridgefw {

// INQUIRY of the unit serial number page into `buffer` (32767 bytes) on an
// open device: 0 when the command completed with GOOD status, 13 when it
// completed with another status, else the system's error code.
uint32_t InquireUnitSerialNumber(platform::DeviceObject* device, uint8_t* buffer);

// Opens the device by its path, reads the page and returns the cleaned
// serial number (serial_page.h); empty when the device cannot be opened or
// does not answer GOOD. Never throws for a device failure; the device is
// closed again on every path.
WString ReadSerialNumber(const WString& devicePath);

}  // namespace bridgefw
