// CZtFwUpdEvent: a manual-reset event, not signalled at creation, that a
// caller hands to a platform operation which signals it on completion.
// It never throws; an event whose creation failed makes WaitForEvent fail.
#pragma once

#include "fwupd/object.h"
#include "platform/sync.h"

namespace bridgefw {

class CZtFwUpdEvent : public CZtFwUpdObject {
 public:
  static constexpr uint32_t kWaitMilliseconds = 2000;

  CZtFwUpdEvent();
  ~CZtFwUpdEvent() override;
  CZtFwUpdEvent(const CZtFwUpdEvent&) = delete;
  CZtFwUpdEvent& operator=(const CZtFwUpdEvent&) = delete;

  platform::Handle handle() const { return m_hEvent; }
  // Waits up to 2000 ms; true when the event is signalled (or reported
  // abandoned). The wait does not reset the event.
  bool WaitForEvent();
  // Signals the event (the state machine's wake-up event is signalled by
  // the control thread itself).
  bool Signal();

 private:
  platform::Handle m_hEvent;
};

}  // namespace bridgefw
