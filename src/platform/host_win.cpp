
// windows.h comes before every other system header.
#include <windows.h>

#include "platform/error.h"
#include "platform/host.h"

namespace bridgefw::platform {

bool PostHostMessage(void* window, uint32_t message, uintptr_t wparam, intptr_t lparam) {
  // A null window would post to the calling thread's own queue.
  if (window == nullptr) {
    SetLastErrorCode(ERROR_INVALID_WINDOW_HANDLE);
    return false;
  }
  return ::PostMessageW(static_cast<HWND>(window), message, wparam, lparam) != 0;
}

}  // namespace bridgefw::platform
