// A machine with four states (A, B, C and the common state) whose handlers
// follow a script of one-shot rules and record every call.
#pragma once

#include <atomic>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "diag/program_exception.h"
#include "platform/error.h"
#include "test_records.h"

namespace bridgefw::testing {

enum class Action { kPass, kHandle, kStop, kThrowProgram, kThrowOther };

struct Rule {
  std::u16string state;
  int32_t msgId;
  Action action;
  std::u16string next;  // state to ask for; empty for none
};

class ScriptedMachine : public OpenMachine {
 public:
  explicit ScriptedMachine(const WChar* nameOfA = u"A", bool withCommon = true, bool start = true)
      : A(nameOfA, &ScriptedMachine::OnA),
        B(u"B", &ScriptedMachine::OnB),
        C(u"C", &ScriptedMachine::OnC),
        Common(u"Common", &ScriptedMachine::OnCommon) {
    if (withCommon) SetCommonState(&Common);
    if (start) SetStartingState(&A);
  }

  void AddRule(Rule rule) { m_rules.push_back(std::move(rule)); }
  std::vector<std::u16string> Trace() const {
    std::lock_guard<std::mutex> hold(m_traceLock);
    return m_trace;
  }
  int Dispatched() const { return m_dispatched.load(); }
  CZtFwUpdState* Find(const std::u16string& name) {
    for (CZtFwUpdState* s : {&A, &B, &C, &Common}) {
      if (name == s->m_stateName) return s;
    }
    return nullptr;
  }

  CZtFwUpdState A, B, C, Common;

 private:
  CZtFwUpdMsg* OnA(CZtFwUpdMsg* msg) { return Handle(A, msg); }
  CZtFwUpdMsg* OnB(CZtFwUpdMsg* msg) { return Handle(B, msg); }
  CZtFwUpdMsg* OnC(CZtFwUpdMsg* msg) { return Handle(C, msg); }
  CZtFwUpdMsg* OnCommon(CZtFwUpdMsg* msg) { return Handle(Common, msg); }

  CZtFwUpdMsg* Handle(const CZtFwUpdState& state, CZtFwUpdMsg* msg) {
    {
      std::lock_guard<std::mutex> hold(m_traceLock);
      m_trace.push_back(std::u16string(state.m_stateName) + u":" + msg->msgName);
    }
    ++m_dispatched;
    for (auto rule = m_rules.begin(); rule != m_rules.end(); ++rule) {
      if (rule->state != state.m_stateName || rule->msgId != msg->msgId) continue;
      const Rule fired = *rule;
      m_rules.erase(rule);
      if (!fired.next.empty()) SetNextState(Find(fired.next));
      switch (fired.action) {
        case Action::kPass:
          return msg;
        case Action::kHandle:
          return nullptr;
        case Action::kStop:
          m_bStop = true;
          m_exitEvent.Signal();
          return msg;
        case Action::kThrowProgram:
          platform::SetLastErrorCode(0x57);
          throw ProgramException(u"Thrower", u"Handle", u"scripted failure");
        case Action::kThrowOther:
          platform::SetLastErrorCode(0x57);
          throw std::runtime_error("scripted");
      }
    }
    return msg;
  }

  std::vector<Rule> m_rules;
  mutable std::mutex m_traceLock;
  std::vector<std::u16string> m_trace;
  std::atomic<int> m_dispatched{0};
};

}  // namespace bridgefw::testing
