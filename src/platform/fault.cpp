#include "platform/fault.h"

#include <atomic>

namespace bridgefw::platform {
namespace {

struct Site {
  std::atomic<bool> armed{false};
  std::atomic<uint32_t> remaining{0};  // calls until the failing one
  std::atomic<bool> persistent{false};
};

Site g_sites[static_cast<uint32_t>(FaultSite::kCount)];

Site& At(FaultSite site) {
  return g_sites[static_cast<uint32_t>(site)];
}

}  // namespace

void ArmFault(FaultSite site, uint32_t nth, bool persistent) {
  Site& s = At(site);
  s.armed.store(false);
  s.remaining.store(nth == 0 ? 1 : nth);
  s.persistent.store(persistent);
  s.armed.store(true);
}

void DisarmFault(FaultSite site) {
  At(site).armed.store(false);
}

void DisarmAllFaults() {
  for (auto& s : g_sites) s.armed.store(false);
}

bool ShouldFail(FaultSite site) {
  Site& s = At(site);
  if (!s.armed.load(std::memory_order_relaxed)) return false;
  uint32_t left = s.remaining.load();
  while (left > 0) {
    if (s.remaining.compare_exchange_weak(left, left - 1)) {
      if (left - 1 > 0) return false;
      if (!s.persistent.load()) s.armed.store(false);
      return true;
    }
  }
  // Only a persistent fault gets here once its nth call has passed.
  return s.persistent.load();
}

}  // namespace bridgefw::platform
