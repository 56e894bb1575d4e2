// CZtFwUpdSemaphore: a counting semaphore used as a lock (initial and
// maximum count 1) or as a message counter (initial 0, maximum 0x7FFFFFFF).
// It never throws; failures show in the results. A semaphore whose creation
// failed stays unusable: every operation fails at once.
//
// Lock, Unlock and handle may be called from any thread; MultiLock writes
// the object's wait list, so only one thread at a time may call it.
#pragma once

#include <cstdint>

#include "fwupd/object.h"
#include "platform/sync.h"

namespace bridgefw {

class CZtFwUpdSemaphore : public CZtFwUpdObject {
 public:
  static constexpr uint32_t kMaxWaitHandles = 3;

  CZtFwUpdSemaphore(int32_t initialCount, int32_t maximumCount);
  ~CZtFwUpdSemaphore() override;
  CZtFwUpdSemaphore(const CZtFwUpdSemaphore&) = delete;
  CZtFwUpdSemaphore& operator=(const CZtFwUpdSemaphore&) = delete;

  // True only when the count was decremented within `timeoutMs`
  // (platform::kInfinite waits without limit).
  bool Lock(uint32_t timeoutMs);
  // Adds one to the count; false when that would pass the maximum.
  bool Unlock(int32_t* previousCount = nullptr);
  // Waits for the semaphore or one of the other handles (null ones take no
  // place in the list). 0: the semaphore was acquired; 1 or 2: the other
  // handle at that list position was signalled; kWaitTimeout; kWaitFailed,
  // also at once when the semaphore was not created. When several are
  // signalled the semaphore wins and only it is consumed.
  uint32_t MultiLock(platform::Handle other1, platform::Handle other2, uint32_t timeoutMs);

  platform::Handle handle() const { return m_hSemaphore; }

 private:
  platform::Handle m_hSemaphore;
  platform::Handle m_waitList[kMaxWaitHandles];
};

}  // namespace bridgefw
