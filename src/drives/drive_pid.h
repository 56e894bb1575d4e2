// A drive's product id, taken from its parent device's instance id.
#pragma once

#include <cstdint>

#include "platform/text.h"

namespace bridgefw {

// The parent's device instance id of a disk whose own id begins with
// "USBSTOR\DISK", "SCSI\DISK" or "SBP2\ZT"; empty for any other disk and
// when the parent cannot be found.
WString GetParentDeviceId(uint32_t devInst);

// The product id in a parent id: the hexadecimal number right after the
// first of "PID_", "TOWER_BOX_", "GO_TRAVELER_" that occurs (tried in this
// order), read up to the next "\" with the rules of a signed base-16
// strtol. 0 when no keyword occurs, nothing follows it, or no "\" follows.
int32_t ParseDrivePid(const WString& parentId);

}  // namespace bridgefw
