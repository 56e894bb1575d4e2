// Fault injection: one seam through which tests make a platform call (or
// an allocation of the core) fail, once or for good.
//
// Every implementation of a call listed in FaultSite asks ShouldFail at its
// entry; when it answers true, the call fails as the real one would (null,
// false or kWaitFailed, with a fitting last error) without touching the
// system. Nothing is armed in a product run, and an unarmed site costs one
// relaxed atomic load.
#pragma once

#include <cstdint>

namespace bridgefw::platform {

enum class FaultSite : uint32_t {
  kCreateSemaphore,
  kCreateEvent,
  kReleaseSemaphore,
  kSetEvent,
  kWait,
  kCreateThread,
  kExecutablePath,
  kAppDataFolder,
  kCreateDirectory,
  kOpenFile,
  kSeekFile,
  kWriteFile,
  kCloseFile,
  kReadFile,
  kLocalTime,
  kAllocMessage,
  kCreateTimerQueue,
  kCreateTimer,
  kGetClassDevs,
  kEnumDeviceInterface,
  kGetInterfaceDetail,
  kAllocInterfaceDetail,
  kCount
};

// The nth call of `site` from now (1 = the next one) fails; with
// `persistent`, every call after it fails too.
void ArmFault(FaultSite site, uint32_t nth, bool persistent);
void DisarmFault(FaultSite site);
void DisarmAllFaults();

// Counts the call and tells whether it is to fail.
bool ShouldFail(FaultSite site);

}  // namespace bridgefw::platform
