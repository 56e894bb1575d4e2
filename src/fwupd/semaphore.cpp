#include "fwupd/semaphore.h"

#include "fwupd/system_error.h"

namespace bridgefw {

CZtFwUpdSemaphore::CZtFwUpdSemaphore(int32_t initialCount, int32_t maximumCount)
    : m_hSemaphore(platform::CreateSemaphoreObject(initialCount, maximumCount)), m_waitList{} {}

CZtFwUpdSemaphore::~CZtFwUpdSemaphore() {
  if (m_hSemaphore != nullptr) platform::CloseObject(m_hSemaphore);
}

bool CZtFwUpdSemaphore::Lock(uint32_t timeoutMs) {
  if (m_hSemaphore == nullptr) return false;
  const uint32_t result = platform::WaitForObject(m_hSemaphore, timeoutMs);
  if (result == platform::kWaitFailed) TraceSystemError(u"CZtFwUpdSemaphore::Lock Failure");
  return result == platform::kWaitObject0;
}

bool CZtFwUpdSemaphore::Unlock(int32_t* previousCount) {
  if (m_hSemaphore == nullptr) return false;
  if (platform::ReleaseSemaphoreObject(m_hSemaphore, 1, previousCount)) return true;
  TraceSystemError(u"CZtFwUpdSemaphore::Unlock Error");
  return false;
}

uint32_t CZtFwUpdSemaphore::MultiLock(platform::Handle other1, platform::Handle other2,
                                      uint32_t timeoutMs) {
  if (m_hSemaphore == nullptr) return platform::kWaitFailed;
  uint32_t count = 0;
  m_waitList[count++] = m_hSemaphore;
  if (other1 != nullptr) m_waitList[count++] = other1;
  if (other2 != nullptr) m_waitList[count++] = other2;
  const uint32_t result = platform::WaitForAnyObject(count, m_waitList, timeoutMs);
  if (result == platform::kWaitFailed) TraceSystemError(u"CZtFwUpdSemaphore::MultiLock Failure");
  return result;
}

}  // namespace bridgefw
