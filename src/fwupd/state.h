// CZtFwUpdState: one state of a state machine: a constant name and a
// handler, a member operation of the concrete machine that returns null
// when it handled the message and the message itself to pass it on.
#pragma once

#include "fwupd/message.h"
#include "fwupd/object.h"

namespace bridgefw {

class CZtFwUpdStateMach;

class CZtFwUpdState : public CZtFwUpdObject {
 public:
  using Handler = CZtFwUpdMsg* (CZtFwUpdStateMach::*)(CZtFwUpdMsg*);

  // `handler` is a member operation of the concrete machine, e.g.
  // CZtFwUpdState(u"BrStCommon", &CBridgeDllController::OnCommon).
  template <typename Machine>
  CZtFwUpdState(const WChar* name, CZtFwUpdMsg* (Machine::*handler)(CZtFwUpdMsg*))
      : m_stateName(name), m_handler(static_cast<Handler>(handler)) {}
  ~CZtFwUpdState() override = default;
  CZtFwUpdState(const CZtFwUpdState&) = delete;
  CZtFwUpdState& operator=(const CZtFwUpdState&) = delete;

  CZtFwUpdMsg* Handle(CZtFwUpdStateMach& machine, CZtFwUpdMsg* msg) const;

  const WChar* const m_stateName;

 private:
  const Handler m_handler;
};

}  // namespace bridgefw
