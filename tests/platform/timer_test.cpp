// Timer queues of platform/timer.h: when and where callbacks run, and what
// deleting a timer or a queue promises about them.
#include "platform/timer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <vector>

#include "platform/error.h"
#include "platform/fault.h"
#include "platform/sync.h"
#include "platform/thread.h"
#include "support/timing.h"

namespace bridgefw::platform {
namespace {

using testing::Stopwatch;

// What a callback saw. `done` is signalled when it returns; a callback
// given a gate waits for it (at most 10 s) after signalling `entered`.
struct Probe {
  Probe() : entered(CreateEventObject(true, false)), done(CreateEventObject(true, false)) {}
  ~Probe() {
    CloseObject(entered);
    CloseObject(done);
  }
  Probe(const Probe&) = delete;
  Probe& operator=(const Probe&) = delete;

  std::atomic<int> calls{0};
  std::atomic<bool> fired{false};
  std::atomic<void*> thread{nullptr};
  Handle gate = nullptr;
  uint32_t gateWaitMs = 10000;
  Handle entered;
  Handle done;
};

void Record(void* context, bool fired) {
  auto& probe = *static_cast<Probe*>(context);
  probe.thread = CurrentThreadHostValue();
  probe.fired = fired;
  ++probe.calls;
  SetEventObject(probe.entered);
  if (probe.gate != nullptr) WaitForObject(probe.gate, probe.gateWaitMs);
  SetEventObject(probe.done);
}

bool Signalled(Handle event, uint32_t waitMs) {
  return WaitForObject(event, waitMs) == kWaitObject0;
}

class TimerQueueTest : public ::testing::Test {
 protected:
  void TearDown() override {
    DisarmAllFaults();
    if (m_queue != nullptr) DeleteTimerQueueObject(m_queue);
    CloseObject(m_gate);
    CloseObject(m_completion);
  }

  TimerHandle Arm(Probe& probe, uint32_t dueMs) {
    TimerHandle timer = nullptr;
    EXPECT_TRUE(CreateTimerQueueTimerObject(&timer, m_queue, &Record, &probe, dueMs, 0, 0));
    return timer;
  }

  TimerQueueHandle m_queue = CreateTimerQueueObject();
  Handle m_gate = CreateEventObject(true, false);
  Handle m_completion = CreateEventObject(true, false);
};

TEST_F(TimerQueueTest, ATimerFiresOnceAfterItsDueTimeOnAnotherThread) {
  ASSERT_NE(m_queue, nullptr);
  Probe probe;
  const Stopwatch watch;
  TimerHandle timer = Arm(probe, 300);
  ASSERT_TRUE(Signalled(probe.done, 5000));
  EXPECT_GE(watch.ElapsedMs(), 300);
  EXPECT_LT(watch.ElapsedMs(), 300 + 4000);
  EXPECT_TRUE(probe.fired);
  EXPECT_NE(probe.thread.load(), CurrentThreadHostValue());

  SleepMilliseconds(400);
  EXPECT_EQ(probe.calls.load(), 1);
  // A fired timer is known until it is deleted.
  EXPECT_TRUE(DeleteTimerQueueTimerObject(m_queue, timer, nullptr));
}

TEST_F(TimerQueueTest, CallbacksRunInTheOrderOfTheirDueTimes) {
  struct Log {
    std::mutex lock;
    std::vector<int> order;
    Handle last = CreateEventObject(true, false);
  } log;
  struct Entry {
    Log* log;
    int tag;
  } entries[] = {{&log, 400}, {&log, 100}, {&log, 250}};
  const TimerCallback note = [](void* context, bool) {
    auto& entry = *static_cast<Entry*>(context);
    std::lock_guard<std::mutex> hold(entry.log->lock);
    entry.log->order.push_back(entry.tag);
    if (entry.log->order.size() == 3) SetEventObject(entry.log->last);
  };
  for (Entry& entry : entries) {
    TimerHandle timer = nullptr;
    ASSERT_TRUE(CreateTimerQueueTimerObject(&timer, m_queue, note, &entry,
                                            static_cast<uint32_t>(entry.tag), 0, 0));
  }
  ASSERT_TRUE(Signalled(log.last, 5000));
  std::lock_guard<std::mutex> hold(log.lock);
  EXPECT_EQ(log.order, (std::vector<int>{100, 250, 400}));
  CloseObject(log.last);
}

TEST_F(TimerQueueTest, DeletingAPendingTimerSignalsAtOnceAndItNeverFires) {
  Probe probe;
  TimerHandle timer = Arm(probe, 300);
  EXPECT_TRUE(DeleteTimerQueueTimerObject(m_queue, timer, m_completion));
  EXPECT_TRUE(Signalled(m_completion, 0));
  SleepMilliseconds(700);
  EXPECT_EQ(probe.calls.load(), 0);
}

// A timer that is gone can never fire, so its completion is signalled even
// though the handle is no longer known.
TEST_F(TimerQueueTest, DeletingAnUnknownTimerFailsButSignalsTheCompletion) {
  Probe probe;
  TimerHandle timer = Arm(probe, 60000);
  ASSERT_TRUE(DeleteTimerQueueTimerObject(m_queue, timer, nullptr));
  SetLastErrorCode(0);
  EXPECT_FALSE(DeleteTimerQueueTimerObject(m_queue, timer, m_completion));
  EXPECT_EQ(GetLastErrorCode(), kErrorInvalidHandle);
  EXPECT_TRUE(Signalled(m_completion, 0));
}

TEST_F(TimerQueueTest, DeletingARunningTimerSignalsOnceItsCallbackHasReturned) {
  Probe probe;
  probe.gate = m_gate;
  TimerHandle timer = Arm(probe, 0);
  ASSERT_TRUE(Signalled(probe.entered, 5000));

  const Stopwatch watch;
  EXPECT_TRUE(DeleteTimerQueueTimerObject(m_queue, timer, m_completion));
  EXPECT_LT(watch.ElapsedMs(), 1000);  // the call itself does not wait
  EXPECT_FALSE(Signalled(m_completion, 300));
  SetEventObject(m_gate);
  EXPECT_TRUE(Signalled(m_completion, 5000));
  EXPECT_TRUE(Signalled(probe.done, 0));
}

// The callback deletes its own timer (the null-event form) and arms a new
// one of the same queue.
TEST_F(TimerQueueTest, ACallbackMayDeleteItsOwnTimerAndArmAnother) {
  struct Chain {
    explicit Chain(TimerQueueHandle q) : queue(q) {}
    TimerQueueHandle queue;
    TimerHandle first = nullptr;
    std::atomic<bool> deletedItself{false};
    Probe second;
  } chain(m_queue);
  const TimerCallback first = [](void* context, bool) {
    auto& c = *static_cast<Chain*>(context);
    c.deletedItself = DeleteTimerQueueTimerObject(c.queue, c.first, nullptr);
    TimerHandle next = nullptr;
    CreateTimerQueueTimerObject(&next, c.queue, &Record, &c.second, 0, 0, 0);
  };
  ASSERT_TRUE(CreateTimerQueueTimerObject(&chain.first, m_queue, first, &chain, 0, 0, 0));
  ASSERT_TRUE(Signalled(chain.second.done, 5000));
  EXPECT_TRUE(chain.deletedItself);
  // Removed once its callback had returned.
  EXPECT_FALSE(DeleteTimerQueueTimerObject(m_queue, chain.first, nullptr));
}

TEST_F(TimerQueueTest, DeletingTheQueueCancelsItsPendingTimersAndEndsItsHandles) {
  Probe probe;
  TimerHandle timer = Arm(probe, 300);
  EXPECT_TRUE(DeleteTimerQueueObject(m_queue));
  SleepMilliseconds(700);
  EXPECT_EQ(probe.calls.load(), 0);

  EXPECT_FALSE(DeleteTimerQueueTimerObject(m_queue, timer, nullptr));
  TimerHandle another = nullptr;
  SetLastErrorCode(0);
  EXPECT_FALSE(CreateTimerQueueTimerObject(&another, m_queue, &Record, &probe, 0, 0, 0));
  EXPECT_EQ(GetLastErrorCode(), kErrorInvalidHandle);
  EXPECT_FALSE(DeleteTimerQueueObject(m_queue));
  m_queue = nullptr;
}

TEST_F(TimerQueueTest, DeletingTheQueueWaitsForARunningCallback) {
  Probe probe;
  probe.gate = m_gate;
  probe.gateWaitMs = 600;  // the callback is busy this long
  Arm(probe, 0);
  ASSERT_TRUE(Signalled(probe.entered, 5000));
  const Stopwatch watch;
  EXPECT_TRUE(DeleteTimerQueueObject(m_queue));
  m_queue = nullptr;
  EXPECT_TRUE(Signalled(probe.done, 0));
  EXPECT_LT(watch.ElapsedMs(), 600 + 4000);
}

// A callback that never returns in time does not hold the deletion up for
// longer than its bound.
TEST_F(TimerQueueTest, DeletingTheQueueWaitsForACallbackOnlySoLong) {
  Probe probe;
  probe.gate = m_gate;
  probe.gateWaitMs = kTimerQueueDeleteWaitMs + 5000;
  Arm(probe, 0);
  ASSERT_TRUE(Signalled(probe.entered, 5000));
  const Stopwatch watch;
  EXPECT_TRUE(DeleteTimerQueueObject(m_queue));
  m_queue = nullptr;
  EXPECT_TOOK_ABOUT(watch, kTimerQueueDeleteWaitMs);
  EXPECT_FALSE(Signalled(probe.done, 0));
  // Let it finish before the probe goes.
  SetEventObject(m_gate);
  EXPECT_TRUE(Signalled(probe.done, 5000));
}

TEST_F(TimerQueueTest, ACallbackMayDeleteItsOwnQueue) {
  struct Deleter {
    TimerQueueHandle queue;
    std::atomic<bool> deleted{false};
    std::atomic<long long> tookMs{-1};
    Handle done = CreateEventObject(true, false);
  } deleter{m_queue};
  const TimerCallback callback = [](void* context, bool) {
    auto& d = *static_cast<Deleter*>(context);
    const Stopwatch watch;
    d.deleted = DeleteTimerQueueObject(d.queue);
    d.tookMs = watch.ElapsedMs();
    SetEventObject(d.done);
  };
  TimerHandle timer = nullptr;
  ASSERT_TRUE(CreateTimerQueueTimerObject(&timer, m_queue, callback, &deleter, 0, 0, 0));
  ASSERT_TRUE(Signalled(deleter.done, 5000));
  m_queue = nullptr;
  EXPECT_TRUE(deleter.deleted);
  EXPECT_LT(deleter.tookMs.load(), 1000);
  CloseObject(deleter.done);
}

TEST_F(TimerQueueTest, FailuresLeaveNoTimerAndTellWhy) {
  Probe probe;
  struct Case {
    const char* what;
    FaultSite fault;  // kCount: none
    TimerQueueHandle queue;
    TimerCallback callback;
    uint32_t periodMs;
    uint32_t error;
  };
  const Case cases[] = {
      {"injected", FaultSite::kCreateTimer, m_queue, &Record, 0, kErrorNoSystemResources},
      {"no callback", FaultSite::kCount, m_queue, nullptr, 0, kErrorInvalidParameter},
      {"periodic", FaultSite::kCount, m_queue, &Record, 100, kErrorNotSupported},
      {"no queue", FaultSite::kCount, nullptr, &Record, 0, kErrorInvalidHandle},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.fault != FaultSite::kCount) ArmFault(c.fault, 1, false);
    TimerHandle timer = &probe;  // must stay as it is
    SetLastErrorCode(0);
    EXPECT_FALSE(
        CreateTimerQueueTimerObject(&timer, c.queue, c.callback, &probe, 0, c.periodMs, 0));
    EXPECT_EQ(GetLastErrorCode(), c.error);
    EXPECT_EQ(timer, &probe);
  }
  SleepMilliseconds(300);
  EXPECT_EQ(probe.calls.load(), 0);

  ArmFault(FaultSite::kCreateTimerQueue, 1, false);
  SetLastErrorCode(0);
  EXPECT_EQ(CreateTimerQueueObject(), nullptr);
  EXPECT_EQ(GetLastErrorCode(), kErrorNoSystemResources);
}

}  // namespace
}  // namespace bridgefw::platform
