// Posting a window message to the host.
#pragma once

#include <cstdint>

namespace bridgefw::platform {

// PostMessageW(window, message, wparam, lparam): queues the message for the
// host without waiting. On POSIX `window` is the host's BridgeHostWindow
// (include/bridgefw/host_api.h). False when the window is null or the post
// failed (last error set).
bool PostHostMessage(void* window, uint32_t message, uintptr_t wparam, intptr_t lparam);

}  // namespace bridgefw::platform
