#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "diag/application_log.h"
#include "fwupd/messages.h"
#include "platform/environment.h"
#include "platform/fault.h"
#include "platform/thread.h"
#include "scripted_machine.h"
#include "support/temp_dir.h"

namespace bridgefw {
namespace {

using testing::Action;
using testing::CountedMsg;
using testing::ScriptedMachine;

constexpr const char* kLogFile = "Zentara/logs/ZT Firmware Updater/Updater.log";

uint32_t RunMachine(void* machine) {
  static_cast<ScriptedMachine*>(machine)->Run();
}

// Runs the machine's control loop on a thread of its own, as the plugin
// does, with the machine-wide data folder in a fresh directory.
class RunLoop : public ::testing::Test {
 protected:
  void SetUp() override { platform::SetEnvironmentValue("PROGRAMDATA", m_dir.Native().c_str()); }
  void TearDown() override {
    platform::DisarmAllFaults();
    platform::SetEnvironmentValue("PROGRAMDATA", nullptr);
  }

  // Starts Run and waits for the thread's end; returns its exit code.
  uint32_t RunToEnd(ScriptedMachine& machine) {
    platform::ThreadObject* thread = platform::CreateSuspendedThread(&RunMachine, &machine);
    EXPECT_NE(thread, nullptr);
    if (thread == nullptr) return 0xFFFFFFFF;
    EXPECT_TRUE(platform::ResumeThread(thread));
    uint32_t code = 0xFFFFFFFF;
    EXPECT_EQ(platform::WaitForThread(thread, 20000, &code), platform::kWaitObject0);
    platform::CloseThread(thread);
    return code;
  }

  std::string Log() const { return testing::ReadWholeFile(m_dir.Native(kLogFile)); }

  void QueueExit(ScriptedMachine& machine) {
    machine.queue().AddMsgNormalPriority(CreateMsgFromId(kMsgDllExit));
  }

  testing::TempDir m_dir;
};

TEST_F(RunLoop, NormalEndPurgesTheQueueAndEmptiesTheLedger) {
  std::atomic<int> deletions{0};
  ScriptedMachine machine;
  machine.AddRule({u"A", kMsgDllExit, Action::kStop, u""});
  // Lent to the host and never handed back: deleted at the end.
  ASSERT_TRUE(machine.AddLentMsg(new CountedMsg(false, true, deletions)));
  QueueExit(machine);
  // Behind the stop request: never dispatched, deleted by the purge.
  machine.queue().AddMsgNormalPriority(new CountedMsg(false, false, deletions));

  EXPECT_EQ(RunToEnd(machine), 0u);
  EXPECT_EQ(machine.Trace(), (std::vector<std::u16string>{u"A:StateStart", u"Common:StateStart",
                                                          u"A:DllExit", u"Common:DllExit"}));
  EXPECT_EQ(deletions.load(), 2);
  EXPECT_TRUE(machine.AllLentMsgsReleased());
  EXPECT_FALSE(ApplicationLog::Exists());
  const std::string log = Log();
  EXPECT_NE(log.find(">       === Plugin Start ===\r\n"), std::string::npos) << log;
}

struct ReportCase {
  const char* what;
  testing::Rule rule;
  std::vector<testing::Rule> more;
  int32_t sendId;
  uint32_t exitCode;
  std::string line;
};

TEST_F(RunLoop, EscapedExceptionsEndTheThreadWithOneReport) {
  const ReportCase cases[] = {
      {"program exception while dispatching",
       {u"BrStScanDrives", kMsgDllCancel, Action::kThrowProgram, u""},
       {},
       kMsgDllCancel,
       0,
       "*** SW_ERROR *** CZtFwUpdStateMach::Run() - Program Exception State:BrStScanDrives, "
       "Msg:DllCancel, error:0x57, Thrower::Handle:scripted failure\r\n"},
      {"other exception while dispatching",
       {u"BrStScanDrives", kMsgDllCancel, Action::kThrowOther, u""},
       {},
       kMsgDllCancel,
       1,
       "*** SW_ERROR *** CZtFwUpdStateMach::Run() - Unexpected Exception State:BrStScanDrives, "
       "Msg:DllCancel, error:0x57\r\n"},
      {"program exception during a state change names no message",
       {u"BrStScanDrives", kMsgAppBtnRescan, Action::kHandle, u"B"},
       {{u"B", 1, Action::kThrowProgram, u""}},
       kMsgAppBtnRescan,
       0,
       "*** SW_ERROR *** CZtFwUpdStateMach::Run() - Program Exception State:B, Msg:__, "
       "error:0x57, Thrower::Handle:scripted failure\r\n"},
      {"other exception during a state change names no message",
       {u"BrStScanDrives", kMsgAppBtnRescan, Action::kHandle, u"B"},
       {{u"B", 2, Action::kThrowOther, u""}},
       kMsgAppBtnRescan,
       1,
       "*** SW_ERROR *** CZtFwUpdStateMach::Run() - Unexpected Exception State:B, Msg:__, "
       "error:0x57\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::remove(m_dir.Native(kLogFile).c_str());
    std::atomic<int> deletions{0};
    auto* lent = new CountedMsg(false, true, deletions);
    {
      ScriptedMachine machine(u"BrStScanDrives");
      machine.AddRule(c.rule);
      for (const auto& rule : c.more) machine.AddRule(rule);
      machine.AddLentMsg(lent);
      machine.queue().AddMsgNormalPriority(CreateMsgFromId(c.sendId));
      EXPECT_EQ(RunToEnd(machine), c.exitCode);
      const std::string log = Log();
      ASSERT_GE(log.size(), c.line.size()) << log;
      EXPECT_EQ(log.substr(log.size() - c.line.size()), c.line) << log;
      // Exactly the start line and the report.
      EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 2) << log;
      // The ledger is not emptied after an exception.
      EXPECT_FALSE(machine.AllLentMsgsReleased());
      EXPECT_EQ(deletions.load(), 0);
    }
    delete lent;
  }
}

TEST_F(RunLoop, MissingCommonStateIsReportedAndNothingIsDispatched) {
  ScriptedMachine machine(u"A", /*withCommon=*/false);
  EXPECT_EQ(RunToEnd(machine), 0u);
  EXPECT_TRUE(machine.Trace().empty());
  EXPECT_NE(Log().find("> *** SW_ERROR *** CZtFwUpdStateMach::Run() - Exiting because the "
                       "SetCommonState() and SetStartingState() functions were not called in the "
                       "controller's constructor\r\n"),
            std::string::npos)
      << Log();
}

TEST_F(RunLoop, WithoutConfigurationTheRunGoesOnWithoutALog) {
  platform::ArmFault(platform::FaultSite::kExecutablePath, 1, true);
  ScriptedMachine machine;
  machine.AddRule({u"A", kMsgAppBtnRescan, Action::kThrowProgram, u""});
  machine.queue().AddMsgNormalPriority(CreateMsgFromId(kMsgAppBtnRescan));
  EXPECT_EQ(RunToEnd(machine), 0u);
  EXPECT_EQ(machine.Trace().size(), 3u);  // StateStart twice, then the throwing handler
  EXPECT_FALSE(testing::PathExists(m_dir.Native(kLogFile)));
}

TEST_F(RunLoop, LogThatCannotStartDoesNotStopTheRun) {
  // A regular file where the log directory should go.
  testing::WriteWholeFile(m_dir.Native("Zentara"), "in the way");
  ScriptedMachine machine;
  machine.AddRule({u"A", kMsgDllExit, Action::kStop, u""});
  QueueExit(machine);
  EXPECT_EQ(RunToEnd(machine), 0u);
  EXPECT_EQ(machine.Trace().size(), 4u);
  EXPECT_FALSE(ApplicationLog::Exists());
}

TEST_F(RunLoop, QueueWithoutSemaphoreEndsTheThreadInsteadOfSpinning) {
  // The machine's first semaphore is the queue's counter.
  platform::ArmFault(platform::FaultSite::kCreateSemaphore, 1, false);
  ScriptedMachine machine;
  ASSERT_EQ(machine.queue().semaphore().handle(), nullptr);
  EXPECT_EQ(RunToEnd(machine), 0u);
  EXPECT_TRUE(machine.Trace().empty());
  EXPECT_NE(Log().find("Run() - Exiting because the message queue's semaphore could not be "
                       "created\r\n"),
            std::string::npos)
      << Log();
}

TEST_F(RunLoop, StressSendersAndLedgerWhileTheLoopRuns) {
  ScriptedMachine machine;
  machine.AddRule({u"A", kMsgDllExit, Action::kStop, u""});
  constexpr int kSenders = 3;
  constexpr int kPerSender = 300;
  platform::ThreadObject* loop = platform::CreateSuspendedThread(&RunMachine, &machine);
  ASSERT_NE(loop, nullptr);
  ASSERT_TRUE(platform::ResumeThread(loop));
  std::vector<std::thread> senders;
  for (int s = 0; s < kSenders; ++s) {
    senders.emplace_back([&machine, s] {
      for (int i = 0; i < kPerSender; ++i) {
        // A host allocates a DLL message (entered in the ledger) and sends
        // it; the loop releases it. Alternate with singletons at both
        // priorities, and with records handed back unsent.
        CZtFwUpdMsg* init = CreateMsgFromId(kMsgDllDataInit);
        machine.AddLentMsg(init);
        if (i % 3 == 0) {
          machine.RemoveLentMsg(init);
          delete init;
        } else {
          machine.queue().AddMsgNormalPriority(init);
        }
        machine.queue().AddMsgHighPriority(CreateMsgFromId(15 + s));
        machine.AllLentMsgsReleased();
      }
    });
  }
  for (auto& sender : senders) sender.join();
  QueueExit(machine);
  uint32_t code = 0xFFFFFFFF;
  ASSERT_EQ(platform::WaitForThread(loop, 60000, &code), platform::kWaitObject0);
  platform::CloseThread(loop);
  EXPECT_EQ(code, 0u);
  EXPECT_TRUE(machine.AllLentMsgsReleased());
  // StateStart, the sent records, DllExit: each seen by A and by Common.
  const int sent = kSenders * (kPerSender + kPerSender - (kPerSender + 2) / 3);
  EXPECT_EQ(machine.Dispatched(), 2 * (1 + sent + 1));
}

}  // namespace
}  // namespace bridgefw
