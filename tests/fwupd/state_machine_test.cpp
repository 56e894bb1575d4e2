#include <gtest/gtest.h>

#include <vector>

#include "fwupd/messages.h"
#include "scripted_machine.h"

namespace bridgefw {
namespace {

using testing::Action;
using testing::Rule;
using testing::ScriptedMachine;
using Trace = std::vector<std::u16string>;

struct ChangeCase {
  const char* what;
  std::vector<Rule> rules;
  Trace expected;
  const char16_t* finalState;
};

// Every case dispatches AppBtnRescan to the current state A, then carries
// out whatever change was asked for.
const ChangeCase kChangeCases[] = {
    {"handled message stays away from the common state",
     {{u"A", kMsgAppBtnRescan, Action::kHandle, u""}},
     {u"A:AppBtnRescan"},
     u"A"},
    {"passed-on message reaches the common state",
     {},
     {u"A:AppBtnRescan", u"Common:AppBtnRescan"},
     u"A"},
    {"the common state never becomes current",
     {{u"A", kMsgAppBtnRescan, Action::kPass, u"Common"}},
     {u"A:AppBtnRescan", u"Common:AppBtnRescan"},
     u"A"},
    {"a change gives exit, enter and start, to the states concerned only",
     {{u"A", kMsgAppBtnRescan, Action::kHandle, u"B"}},
     {u"A:AppBtnRescan", u"A:StateExit", u"B:StateEnter", u"B:StateStart"},
     u"B"},
    {"asking during StateExit redirects the change",
     {{u"A", kMsgAppBtnRescan, Action::kHandle, u"B"}, {u"A", 3, Action::kPass, u"C"}},
     {u"A:AppBtnRescan", u"A:StateExit", u"C:StateEnter", u"C:StateStart"},
     u"C"},
    {"asking during StateEnter is dropped",
     {{u"A", kMsgAppBtnRescan, Action::kHandle, u"B"}, {u"B", 1, Action::kPass, u"C"}},
     {u"A:AppBtnRescan", u"A:StateExit", u"B:StateEnter", u"B:StateStart"},
     u"B"},
    {"asking during StateStart chains a further change",
     {{u"A", kMsgAppBtnRescan, Action::kHandle, u"B"}, {u"B", 2, Action::kPass, u"C"}},
     {u"A:AppBtnRescan", u"A:StateExit", u"B:StateEnter", u"B:StateStart", u"B:StateExit",
      u"C:StateEnter", u"C:StateStart"},
     u"C"},
    {"a state may change to itself",
     {{u"A", kMsgAppBtnRescan, Action::kHandle, u"A"}},
     {u"A:AppBtnRescan", u"A:StateExit", u"A:StateEnter", u"A:StateStart"},
     u"A"},
};

TEST(StateMachine, ChangeRules) {
  for (const auto& c : kChangeCases) {
    SCOPED_TRACE(c.what);
    ScriptedMachine machine;
    for (const auto& rule : c.rules) machine.AddRule(rule);
    CZtFwUpdMsg* rescan = CreateMsgFromId(kMsgAppBtnRescan);
    rescan->isRetained = 1;
    machine.DispatchMsg(rescan);
    EXPECT_EQ(rescan->isRetained, 0);
    machine.ChangeStates();
    EXPECT_EQ(machine.Trace(), c.expected);
    EXPECT_EQ(std::u16string(machine.m_pCurrentState->m_stateName), c.finalState);
  }
}

TEST(StateMachine, StartingStateGetsStateStartThroughTheQueue) {
  ScriptedMachine machine;
  ASSERT_TRUE(machine.queue().semaphore().Lock(0));
  CZtFwUpdMsg* first = machine.queue().RemoveNextMsg();
  ASSERT_EQ(first, CreateMsgFromId(kMsgStateStart));
  EXPECT_FALSE(machine.queue().semaphore().Lock(0)) << "exactly one message after construction";
  machine.DispatchMsg(first);
  // Passed on like any queued message, so the common state sees it too.
  EXPECT_EQ(machine.Trace(), (Trace{u"A:StateStart", u"Common:StateStart"}));
}

TEST(StateMachine, SecondStartingStateIsIgnored) {
  ScriptedMachine machine;
  machine.SetStartingState(&machine.B);
  EXPECT_EQ(machine.m_pCurrentState, &machine.A);
  ASSERT_TRUE(machine.queue().semaphore().Lock(0));
  EXPECT_FALSE(machine.queue().semaphore().Lock(0));
}

TEST(StateMachine, BaseHostHooksDoNothing) {
  ScriptedMachine machine;
  CZtFwUpdMsg* cancel = CreateMsgFromId(kMsgDllCancel);
  EXPECT_FALSE(machine.PostMsgToApp(0, cancel));
  EXPECT_FALSE(machine.ReturnMsgToApp(cancel));
}

}  // namespace
}  // namespace bridgefw
