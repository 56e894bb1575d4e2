// Watchdog timers over the process's timer queue: what is posted, what is
// released, and the bounded locks between a cancel and a callback.
#include "fwupd/timer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "fwupd/messages.h"
#include "platform/fault.h"
#include "platform/thread.h"
#include "support/timing.h"
#include "test_records.h"

namespace bridgefw {
namespace {

using testing::CountedMsg;
using testing::Stopwatch;

// Reaches the timer's own lock, to hold it against a cancel.
class OpenWatchdog : public CZtFwUpdWatchdogTimer {
 public:
  using CZtFwUpdWatchdogTimer::m_lock;
};

class WatchdogTimer : public ::testing::Test {
 protected:
  void TearDown() override { platform::DisarmAllFaults(); }

  CZtFwUpdMsgQueue& Queue() { return m_machine.queue(); }

  // The next record that reached the queue within `waitMs`, or null.
  CZtFwUpdMsg* NextPosted(uint32_t waitMs) {
    if (!Queue().semaphore().Lock(waitMs)) return nullptr;
    return Queue().RemoveNextMsg();
  }

  // A record that the owner's ReleaseMsg deletes, counted in m_deletions.
  CZtFwUpdMsg* NewCounted() { return new CountedMsg(false, false, m_deletions); }

  CZtFwUpdMsg* const m_timeout = CreateMsgFromId(kMsgFirmwareUpdateTimeout);
  std::atomic<int> m_deletions{0};
  testing::OpenMachine m_machine;
  std::unique_ptr<CZtFwUpdTimerQueue> m_timerQueue = std::make_unique<CZtFwUpdTimerQueue>();
  OpenWatchdog m_timer;
};

TEST_F(WatchdogTimer, StartOnAPendingTimerReleasesTheOldMessageAndPostsOnlyTheNew) {
  CZtFwUpdMsg* first = NewCounted();
  CZtFwUpdMsg* second = NewCounted();
  ASSERT_TRUE(m_timer.Start(&Queue(), first, &m_machine, 60000));
  ASSERT_TRUE(m_timer.Start(&Queue(), second, &m_machine, 100));
  EXPECT_EQ(m_deletions.load(), 1);  // `first`, released by the cancel

  EXPECT_EQ(NextPosted(5000), second);
  EXPECT_EQ(NextPosted(500), nullptr);
  delete second;
}

TEST_F(WatchdogTimer, ADueTimeOfZeroPostsAlmostAtOnceFromAnotherThread) {
  const Stopwatch watch;
  ASSERT_TRUE(m_timer.Start(&Queue(), m_timeout, &m_machine, 0));
  // This thread waits; only a thread of the timer queue can post meanwhile.
  EXPECT_EQ(NextPosted(5000), m_timeout);
  EXPECT_LT(watch.ElapsedMs(), 2000);
}

TEST_F(WatchdogTimer, CancelOnAnIdleTimerReturnsFalseAndChangesNothing) {
  EXPECT_FALSE(m_timer.Cancel());
  EXPECT_EQ(NextPosted(200), nullptr);
  ASSERT_TRUE(m_timer.Start(&Queue(), m_timeout, &m_machine, 0));
  EXPECT_EQ(NextPosted(5000), m_timeout);
}

TEST_F(WatchdogTimer, AFiredTimerIsIdleAndItsMessageIsAheadOfNormalOnes) {
  CZtFwUpdMsg* normal = NewCounted();
  CZtFwUpdMsg* timeout = NewCounted();
  Queue().AddMsgNormalPriority(normal);
  ASSERT_TRUE(m_timer.Start(&Queue(), timeout, &m_machine, 50));
  // One count for the normal record, one for the posted time-out.
  ASSERT_TRUE(Queue().semaphore().Lock(5000));
  ASSERT_TRUE(Queue().semaphore().Lock(5000));

  // Idle: nothing to cancel, so the posted record is not released as well.
  EXPECT_FALSE(m_timer.Cancel());
  EXPECT_EQ(m_deletions.load(), 0);
  EXPECT_EQ(Queue().RemoveNextMsg(), timeout);
  EXPECT_EQ(Queue().RemoveNextMsg(), normal);
  delete timeout;
  delete normal;
}

TEST_F(WatchdogTimer, ACancelledTimerReleasesItsMessageAndPostsNothing) {
  ASSERT_TRUE(m_timer.Start(&Queue(), NewCounted(), &m_machine, 300));
  EXPECT_TRUE(m_timer.Cancel());
  EXPECT_EQ(m_deletions.load(), 1);
  EXPECT_EQ(NextPosted(800), nullptr);
  EXPECT_FALSE(m_timer.Cancel());
}

TEST_F(WatchdogTimer, APlatformTimerThatCannotBeMadeLeavesTheTimerIdle) {
  platform::ArmFault(platform::FaultSite::kCreateTimer, 1, false);
  EXPECT_FALSE(m_timer.Start(&Queue(), m_timeout, &m_machine, 0));
  EXPECT_FALSE(m_timer.Cancel());
  EXPECT_EQ(NextPosted(300), nullptr);
  ASSERT_TRUE(m_timer.Start(&Queue(), m_timeout, &m_machine, 0));
  EXPECT_EQ(NextPosted(5000), m_timeout);
}

TEST_F(WatchdogTimer, AfterTheTimerQueueIsDeletedNothingIsEverPosted) {
  ASSERT_TRUE(m_timer.Start(&Queue(), m_timeout, &m_machine, 300));
  m_timerQueue.reset();
  EXPECT_EQ(CZtFwUpdTimerQueue::s_hTimerQueue.load(), nullptr);
  EXPECT_EQ(CZtFwUpdTimerQueue::s_lock.load(), nullptr);

  EXPECT_EQ(NextPosted(800), nullptr);  // the pending timer never fires
  OpenWatchdog other;
  EXPECT_FALSE(other.Start(&Queue(), m_timeout, &m_machine, 0));
  EXPECT_FALSE(m_timer.Cancel());
  EXPECT_EQ(NextPosted(300), nullptr);
}

TEST_F(WatchdogTimer, ANewTimerQueueServesAgainAfterTheOldOneWasDeleted) {
  m_timerQueue.reset();
  m_timerQueue = std::make_unique<CZtFwUpdTimerQueue>();
  ASSERT_TRUE(m_timer.Start(&Queue(), m_timeout, &m_machine, 0));
  EXPECT_EQ(NextPosted(5000), m_timeout);
}

// A cancel that did not see the completion leaves the timer pending, and
// Start refuses meanwhile; a later cancel finds the platform timer gone and
// releases the message.
TEST_F(WatchdogTimer, ACancelThatFailedIsCompletedByALaterOne) {
  ASSERT_TRUE(m_timer.Start(&Queue(), NewCounted(), &m_machine, 60000));
  // The completion event of the cancel cannot be made.
  platform::ArmFault(platform::FaultSite::kCreateEvent, 1, false);
  const Stopwatch watch;
  EXPECT_FALSE(m_timer.Cancel());
  EXPECT_LT(watch.ElapsedMs(), 2000 + 4000);
  EXPECT_EQ(m_deletions.load(), 0);

  EXPECT_TRUE(m_timer.Cancel());
  EXPECT_EQ(m_deletions.load(), 1);
  EXPECT_EQ(NextPosted(300), nullptr);
}

// The cancel holds the process lock while the callback waits for it; the
// callback gives up after 2000 ms, which completes the cancel. Should the
// callback have got the process lock first, it posts and the cancel finds
// nothing: either way the message is released or posted, exactly once.
TEST_F(WatchdogTimer, ACancelAndACallbackWaitingForEachOtherCannotDeadlock) {
  CZtFwUpdMsg* msg = NewCounted();
  ASSERT_TRUE(m_timer.Start(&Queue(), msg, &m_machine, 400));
  ASSERT_TRUE(m_timer.m_lock.Lock(2000));

  std::atomic<bool> cancelled{false};
  std::atomic<long long> cancelMs{0};
  std::thread canceller([&] {
    const Stopwatch watch;
    cancelled = m_timer.Cancel();  // takes the process lock, then waits for ours
    cancelMs = watch.ElapsedMs();
  });
  // Meanwhile the timer expires and its callback waits for the process lock.
  platform::SleepMilliseconds(1200);
  m_timer.m_lock.Unlock();
  canceller.join();

  EXPECT_LT(cancelMs.load(), 2000 + 2000 + 4000);
  if (cancelled) {
    EXPECT_EQ(m_deletions.load(), 1);
    EXPECT_EQ(NextPosted(1000), nullptr);
  } else {
    EXPECT_EQ(m_deletions.load(), 0);
    EXPECT_EQ(NextPosted(1000), msg);
    delete msg;
  }

  // Both locks were given back: the timer works on.
  ASSERT_TRUE(m_timer.Start(&Queue(), m_timeout, &m_machine, 0));
  EXPECT_EQ(NextPosted(5000), m_timeout);
}

}  // namespace
}  // namespace bridgefw
