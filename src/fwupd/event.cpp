#include "fwupd/event.h"

#include "fwupd/system_error.h"

namespace bridgefw {

CZtFwUpdEvent::CZtFwUpdEvent() : m_hEvent(platform::CreateEventObject(true, false)) {}

CZtFwUpdEvent::~CZtFwUpdEvent() {
  if (m_hEvent != nullptr) platform::CloseObject(m_hEvent);
}

bool CZtFwUpdEvent::WaitForEvent() {
  if (m_hEvent == nullptr) return false;
  const uint32_t result = platform::WaitForObject(m_hEvent, kWaitMilliseconds);
  if (result == platform::kWaitFailed) TraceSystemError(u"CZtFwUpdEvent::WaitForEvent Failure");
  return result == platform::kWaitObject0 || result == platform::kWaitAbandoned0;
}

bool CZtFwUpdEvent::Signal() {
  return m_hEvent != nullptr && platform::SetEventObject(m_hEvent);
}

}  // namespace bridgefw
