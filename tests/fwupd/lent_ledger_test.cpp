#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "fwupd/messages.h"
#include "support/timing.h"
#include "test_records.h"

namespace bridgefw {
namespace {

using testing::CountedMsg;
using testing::OpenMachine;
using testing::Stopwatch;

class Ledger : public ::testing::Test {
 protected:
  OpenMachine m_machine;
  std::atomic<int> m_deletions{0};
};

TEST_F(Ledger, ReleaseFollowsTheOwnershipFlags) {
  struct Case {
    const char* what;
    bool persistent;
    bool dll;
    bool listed;
    bool expectedResult;
    int expectedDeletions;
  };
  const Case cases[] = {
      {"persistent record lives on", true, false, false, true, 0},
      {"persistent DLL message lives on", true, true, false, true, 0},
      {"plain record is deleted", false, false, false, true, 1},
      {"lent DLL message leaves the ledger and is deleted", false, true, true, true, 1},
      {"DLL message missing from the ledger is still deleted", false, true, false, false, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    m_deletions = 0;
    auto* msg = new CountedMsg(c.persistent, c.dll, m_deletions);
    if (c.listed) {
      ASSERT_TRUE(m_machine.AddLentMsg(msg));
    }
    EXPECT_EQ(m_machine.ReleaseMsg(msg), c.expectedResult);
    EXPECT_EQ(m_deletions.load(), c.expectedDeletions);
    EXPECT_TRUE(m_machine.AllLentMsgsReleased());
    if (c.expectedDeletions == 0) delete msg;
  }
  EXPECT_FALSE(m_machine.ReleaseMsg(nullptr));
}

TEST_F(Ledger, ReleasedSingletonStaysUsable) {
  CZtFwUpdMsg* rescan = CreateMsgFromId(kMsgAppBtnRescan);
  EXPECT_TRUE(m_machine.ReleaseMsg(rescan));
  EXPECT_EQ(rescan->msgId, kMsgAppBtnRescan);
  EXPECT_TRUE(m_machine.queue().AddMsgNormalPriority(rescan));
}

TEST_F(Ledger, DuplicateEntriesLeaveOneAtATime) {
  auto* msg = new CountedMsg(false, true, m_deletions);
  EXPECT_TRUE(m_machine.AddLentMsg(msg));
  EXPECT_TRUE(m_machine.AddLentMsg(msg));
  EXPECT_TRUE(m_machine.RemoveLentMsg(msg));
  EXPECT_FALSE(m_machine.AllLentMsgsReleased());
  EXPECT_TRUE(m_machine.RemoveLentMsg(msg));
  EXPECT_TRUE(m_machine.AllLentMsgsReleased());
  EXPECT_FALSE(m_machine.RemoveLentMsg(msg));
  EXPECT_FALSE(m_machine.AddLentMsg(nullptr));
  EXPECT_FALSE(m_machine.RemoveLentMsg(nullptr));
  delete msg;
}

TEST_F(Ledger, LockHeldElsewhereMakesEveryOperationGiveUpAfter1200Ms) {
  auto* msg = new CountedMsg(false, true, m_deletions);
  ASSERT_TRUE(m_machine.AddLentMsg(msg));
  ASSERT_TRUE(m_machine.m_lentDllMsgsLock.Lock(0));  // held by "another thread"
  bool added = true;
  bool empty = true;
  bool released = true;
  std::thread other([&] {
    Stopwatch watch;
    added = m_machine.AddLentMsg(CreateMsgFromId(kMsgDllCancel));
    EXPECT_TOOK_ABOUT(watch, 1200);
    empty = m_machine.AllLentMsgsReleased();
    // The record is deleted even though the ledger could not be reached.
    released = m_machine.ReleaseMsg(msg);
  });
  other.join();
  EXPECT_FALSE(added);
  EXPECT_FALSE(empty);
  EXPECT_FALSE(released);
  EXPECT_EQ(m_deletions.load(), 1);
  m_machine.m_lentDllMsgsLock.Unlock();
  // The stale entry is still listed; it goes with the final clean-up.
  EXPECT_EQ(m_machine.m_lentDllMsgs.size(), 1u);
  m_machine.m_lentDllMsgs.clear();
}

TEST_F(Ledger, FinalWalkDeletesEachRecordOnceWithoutRelocking) {
  auto* a = new CountedMsg(false, true, m_deletions);
  auto* b = new CountedMsg(false, true, m_deletions);
  m_machine.AddLentMsg(a);
  m_machine.AddLentMsg(b);
  ASSERT_TRUE(m_machine.m_lentDllMsgsLock.Lock(0));
  Stopwatch watch;
  m_machine.ReleaseAllMsgs(m_machine.m_lentDllMsgs);
  EXPECT_LT(watch.ElapsedMs(), 1000);  // a per-record lock would have waited 1200 ms each
  m_machine.m_lentDllMsgsLock.Unlock();
  EXPECT_EQ(m_deletions.load(), 2);
  EXPECT_TRUE(m_machine.AllLentMsgsReleased());
}

}  // namespace
}  // namespace bridgefw
