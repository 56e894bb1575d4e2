// Implementation detail of the device service: the process's device nodes. Every device
// instance id that an enumeration has seen gets one handle (from 1 on) that
// stays valid, and names the same id, for the life of the process; its
// parent is the one that the latest enumeration reported. Safe for any
// thread.
#pragma once

#include <cstdint>

#include "platform/text.h"

namespace bridgefw::platform {

// The handle of `instanceId`, made when new.
uint32_t InternDeviceNode(const WString& instanceId);
// Records the node's parent (0: none).
void SetDeviceNodeParent(uint32_t devInst, uint32_t parent);

// False for a handle that was never given out.
bool LookUpDeviceNode(uint32_t devInst, WString& instanceId, uint32_t& parent);

}  // namespace bridgefw::platform
