// The plugin's static objects, in the order in which they must come up at
// load: the controller first (its construction queues StateStart for the
// starting state), then the timer queue. They are torn down in reverse, the
// timer queue first, which removes any timer still pending.
#include <chrono>
#include <thread>

#include "fwupd/timer.h"
#include "plugin/plugin.h"

namespace bridgefw {
namespace {

// Host threads get this long to leave the exports at the very end.
constexpr uint32_t kExportDrainMs = 5000;

bool PluginEndOfThread() {
  if (!CBridgeDllController::EndOfControlThread()) return false;
  return ExportCall::WaitUntilNoneInside(kExportDrainMs);
}

class PluginObjects {
 public:
  PluginObjects() { controller.SetEndOfThreadHook(&PluginEndOfThread); }

  CBridgeDllController controller;
  CZtFwUpdTimerQueue timerQueue;
};

PluginObjects g_objects;

}  // namespace

std::atomic<int32_t> ExportCall::s_inside{0};

CBridgeDllController& TheController() {
  return g_objects.controller;
}

bool ExportCall::WaitUntilNoneInside(uint32_t timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (s_inside.load() != 0) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

}  // namespace bridgefw
