#include "platform/host.h"

#include "bridgefw/host_api.h"
#include "platform/error.h"

namespace bridgefw::platform {

bool PostHostMessage(void* window, uint32_t message, uintptr_t wparam, intptr_t lparam) {
  auto* host = static_cast<BridgeHostWindow*>(window);
  if (host == nullptr || host->post == nullptr) {
    SetLastErrorCode(kErrorInvalidHandle);
    return false;
  }
  if (host->post(host, message, wparam, lparam) != 0) return true;
  SetLastErrorCode(kErrorNotEnoughMemory);
  return false;
}

}  // namespace bridgefw::platform
