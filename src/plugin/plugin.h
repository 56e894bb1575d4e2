// The plugin's process-wide objects and the bookkeeping of host threads
// inside the exports.
#pragma once

#include <atomic>
#include <cstdint>

#include "bridge/bridge_controller.h"

namespace bridgefw {

// The one controller of the process, built when the library is loaded.
CBridgeDllController& TheController();

// Counts the host threads inside an export for as long as it lives. The
// control thread waits for the count to reach zero before it releases the
// library, so that no host thread is still returning through code that is
// about to be unmapped.
class ExportCall {
 public:
  ExportCall() { s_inside.fetch_add(1); }
  ~ExportCall() { s_inside.fetch_sub(1); }
  ExportCall(const ExportCall&) = delete;
  ExportCall& operator=(const ExportCall&) = delete;

  // Waits up to `timeoutMs` until no host thread is inside an export.
  static bool WaitUntilNoneInside(uint32_t timeoutMs);

 private:
  static std::atomic<int32_t> s_inside;
};

}  // namespace bridgefw
