// Test helpers for the framework: a record whose deletion can be observed,
// and a machine whose protected parts the tests reach.
#pragma once

#include <atomic>

#include "fwupd/message.h"
#include "fwupd/state_machine.h"

namespace bridgefw::testing {

// A record of the given flags that counts its own deletions.
class CountedMsg final : public CZtFwUpdMsg {
 public:
  CountedMsg(bool persistent, bool dllMsg, std::atomic<int>& deletions)
      : CZtFwUpdMsg(14, u"Counted", persistent, dllMsg), m_deletions(deletions) {}
  ~CountedMsg() override { ++m_deletions; }

 private:
  std::atomic<int>& m_deletions;
};

// Exposes what the tests drive directly.
class OpenMachine : public CZtFwUpdStateMach {
 public:
  using CZtFwUpdStateMach::ChangeStates;
  using CZtFwUpdStateMach::DispatchMsg;
  using CZtFwUpdStateMach::m_bStop;
  using CZtFwUpdStateMach::m_exitEvent;
  using CZtFwUpdStateMach::m_lentDllMsgs;
  using CZtFwUpdStateMach::m_lentDllMsgsLock;
  using CZtFwUpdStateMach::m_pCurrentState;
  using CZtFwUpdStateMach::m_pluginModule;
};

}  // namespace bridgefw::testing
