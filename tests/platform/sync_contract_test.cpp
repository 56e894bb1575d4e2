// The contract of platform/sync.h: the results of the Windows wait
// functions. Only what the header promises is tested, so that the same
// tests hold for every implementation of it.
#include "platform/sync.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <thread>
#include <type_traits>
#include <vector>

#include "platform/error.h"
#include "platform/fault.h"

namespace bridgefw::platform {
namespace {

using Clock = std::chrono::steady_clock;

struct HandleCloser {
  void operator()(void* handle) const { CloseObject(handle); }
};
using Owned = std::unique_ptr<std::remove_pointer_t<Handle>, HandleCloser>;

Owned Semaphore(int32_t initial, int32_t maximum) {
  Owned handle(CreateSemaphoreObject(initial, maximum));
  EXPECT_NE(handle, nullptr) << "semaphore " << initial << "/" << maximum;
  return handle;
}

Owned Event(bool manualReset, bool signalled) {
  Owned handle(CreateEventObject(manualReset, signalled));
  EXPECT_NE(handle, nullptr);
  return handle;
}

int64_t MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// The count of a semaphore: what polls can take, given back afterwards.
int32_t CountOf(Handle semaphore) {
  int32_t count = 0;
  while (count < 1000 && WaitForObject(semaphore, 0) == kWaitObject0) ++count;
  if (count > 0) {
    EXPECT_TRUE(ReleaseSemaphoreObject(semaphore, count, nullptr));
  }
  return count;
}

// A handle value that no object of this process has.
Handle UnknownHandle() {
  return reinterpret_cast<Handle>(uintptr_t{0x3FFFFF0});
}

class SyncContract : public ::testing::Test {
 protected:
  void TearDown() override { DisarmAllFaults(); }
};

TEST_F(SyncContract, ResultCodesHaveTheWindowsValues) {
  Owned available = Semaphore(1, 1);
  EXPECT_EQ(WaitForObject(available.get(), 0), 0u);
  EXPECT_EQ(WaitForObject(available.get(), 0), 258u);
  EXPECT_EQ(WaitForObject(nullptr, 0), 0xFFFFFFFFu);
}

TEST_F(SyncContract, SemaphoreCreationChecksItsCounts) {
  struct Case {
    int32_t initial;
    int32_t maximum;
    bool valid;
  };
  const Case cases[] = {{0, 1, true},  {1, 1, true},  {3, 10, true},  {-1, 1, false},
                        {0, 0, false}, {2, 1, false}, {0, -5, false}, {1, 0, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "initial " << c.initial << ", maximum " << c.maximum);
    SetLastErrorCode(kErrorSuccess);
    Owned handle(CreateSemaphoreObject(c.initial, c.maximum));
    EXPECT_EQ(handle != nullptr, c.valid);
    if (c.valid) {
      EXPECT_EQ(CountOf(handle.get()), c.initial);
    } else {
      EXPECT_EQ(GetLastErrorCode(), kErrorInvalidParameter);
    }
  }
}

TEST_F(SyncContract, ReleasePastTheMaximumFailsAndKeepsTheCount) {
  Owned lock = Semaphore(1, 1);
  SetLastErrorCode(kErrorSuccess);
  int32_t previous = -1;
  EXPECT_FALSE(ReleaseSemaphoreObject(lock.get(), 1, &previous));
  EXPECT_EQ(GetLastErrorCode(), kErrorTooManyPosts);
  EXPECT_EQ(WaitForObject(lock.get(), 0), kWaitObject0);
  EXPECT_EQ(WaitForObject(lock.get(), 0), kWaitTimeout);

  // A release of several that would pass the maximum adds nothing at all.
  Owned counter = Semaphore(3, 5);
  EXPECT_FALSE(ReleaseSemaphoreObject(counter.get(), 3, nullptr));
  EXPECT_EQ(GetLastErrorCode(), kErrorTooManyPosts);
  EXPECT_EQ(CountOf(counter.get()), 3);
}

TEST_F(SyncContract, ReleaseReportsThePreviousCount) {
  Owned counter = Semaphore(0, 10);
  int32_t previous = -1;
  ASSERT_TRUE(ReleaseSemaphoreObject(counter.get(), 2, &previous));
  EXPECT_EQ(previous, 0);
  ASSERT_TRUE(ReleaseSemaphoreObject(counter.get(), 1, &previous));
  EXPECT_EQ(previous, 2);
  ASSERT_TRUE(ReleaseSemaphoreObject(counter.get(), 1, nullptr));
  EXPECT_EQ(CountOf(counter.get()), 4);
}

TEST_F(SyncContract, ReleaseOfLessThanOneFails) {
  Owned counter = Semaphore(0, 10);
  for (int32_t count : {0, -1}) {
    SetLastErrorCode(kErrorSuccess);
    EXPECT_FALSE(ReleaseSemaphoreObject(counter.get(), count, nullptr)) << count;
    EXPECT_EQ(GetLastErrorCode(), kErrorInvalidParameter) << count;
  }
  EXPECT_EQ(CountOf(counter.get()), 0);
}

TEST_F(SyncContract, CountingSemaphoreGivesWhatWasReleased) {
  Owned counter = Semaphore(0, 100);
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(ReleaseSemaphoreObject(counter.get(), 1, nullptr));
  for (int i = 0; i < 3; ++i) EXPECT_EQ(WaitForObject(counter.get(), 0), kWaitObject0) << i;
  EXPECT_EQ(WaitForObject(counter.get(), 0), kWaitTimeout);
}

TEST_F(SyncContract, ManualResetEventStaysSignalledUntilReset) {
  Owned event = Event(true, false);
  EXPECT_EQ(WaitForObject(event.get(), 0), kWaitTimeout);
  ASSERT_TRUE(SetEventObject(event.get()));
  EXPECT_EQ(WaitForObject(event.get(), 0), kWaitObject0);
  EXPECT_EQ(WaitForObject(event.get(), 0), kWaitObject0);
  ASSERT_TRUE(ResetEventObject(event.get()));
  EXPECT_EQ(WaitForObject(event.get(), 0), kWaitTimeout);

  Owned initially = Event(true, true);
  EXPECT_EQ(WaitForObject(initially.get(), 0), kWaitObject0);
  EXPECT_EQ(WaitForObject(initially.get(), 0), kWaitObject0);
}

TEST_F(SyncContract, AutoResetEventIsConsumedByOneWait) {
  Owned event = Event(false, true);
  EXPECT_EQ(WaitForObject(event.get(), 0), kWaitObject0);
  EXPECT_EQ(WaitForObject(event.get(), 0), kWaitTimeout);
  // Setting twice does not count: it is one signal.
  ASSERT_TRUE(SetEventObject(event.get()));
  ASSERT_TRUE(SetEventObject(event.get()));
  EXPECT_EQ(WaitForObject(event.get(), 0), kWaitObject0);
  EXPECT_EQ(WaitForObject(event.get(), 0), kWaitTimeout);
  ASSERT_TRUE(SetEventObject(event.get()));
  ASSERT_TRUE(ResetEventObject(event.get()));
  EXPECT_EQ(WaitForObject(event.get(), 0), kWaitTimeout);
}

// Waiters that are set free whenever they began to wait: a manual-reset
// event frees all of them, an auto-reset event exactly one.
TEST_F(SyncContract, SettingAnEventReleasesAllOrOneWaiter) {
  struct Case {
    bool manualReset;
    uint32_t waitMs;
    int expectedFreed;
  };
  const Case cases[] = {{true, 10000, 3}, {false, 1500, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.manualReset ? "manual reset" : "auto reset");
    Owned event = Event(c.manualReset, false);
    std::atomic<int> freed{0};
    std::atomic<int> timedOut{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 3; ++i) {
      waiters.emplace_back([&] {
        const uint32_t result = WaitForObject(event.get(), c.waitMs);
        if (result == kWaitObject0) ++freed;
        if (result == kWaitTimeout) ++timedOut;
      });
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_TRUE(SetEventObject(event.get()));
    for (auto& waiter : waiters) waiter.join();
    EXPECT_EQ(freed.load(), c.expectedFreed);
    EXPECT_EQ(freed.load() + timedOut.load(), 3);
  }
}

TEST_F(SyncContract, WaitForAnyGivesTheLowestSignalledIndexAndTakesOnlyThat) {
  // Entry 0: a semaphore with the given count; 1 and 2: events.
  struct Case {
    const char* name;
    int32_t count;
    bool event1Manual;
    bool event1Set;
    bool event2Set;
    uint32_t expected;
  };
  const Case cases[] = {
      {"semaphore before a signalled manual event", 1, true, true, true, 0},
      {"semaphore before a signalled auto event", 2, false, true, false, 0},
      {"empty semaphore, manual event", 0, true, true, true, 1},
      {"empty semaphore, auto event", 0, false, true, true, 1},
      {"only the last", 0, false, false, true, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Owned semaphore = Semaphore(c.count, 10);
    Owned event1 = Event(c.event1Manual, c.event1Set);
    Owned event2 = Event(true, c.event2Set);
    const Handle list[] = {semaphore.get(), event1.get(), event2.get()};
    EXPECT_EQ(WaitForAnyObject(3, list, kInfinite), kWaitObject0 + c.expected);

    EXPECT_EQ(CountOf(semaphore.get()), c.expected == 0 ? c.count - 1 : c.count);
    // An auto-reset event is consumed only when it was the one reported.
    const bool event1Left = c.event1Set && (c.event1Manual || c.expected != 1);
    EXPECT_EQ(WaitForObject(event1.get(), 0), event1Left ? kWaitObject0 : kWaitTimeout);
    EXPECT_EQ(WaitForObject(event2.get(), 0), c.event2Set ? kWaitObject0 : kWaitTimeout);
  }
}

TEST_F(SyncContract, WaitForAnyTakesOneOfTwoAvailableSemaphores) {
  Owned first = Semaphore(1, 5);
  Owned second = Semaphore(1, 5);
  const Handle list[] = {first.get(), second.get()};
  EXPECT_EQ(WaitForAnyObject(2, list, 0), kWaitObject0);
  EXPECT_EQ(WaitForAnyObject(2, list, 0), kWaitObject0 + 1);
  EXPECT_EQ(WaitForAnyObject(2, list, 0), kWaitTimeout);
}

TEST_F(SyncContract, WaitForAnyRejectsBadCounts) {
  Owned semaphore = Semaphore(1, 1);
  std::vector<Handle> list(kMaximumWaitObjects + 1, semaphore.get());
  for (uint32_t count : {0u, kMaximumWaitObjects + 1}) {
    SetLastErrorCode(kErrorSuccess);
    EXPECT_EQ(WaitForAnyObject(count, list.data(), 0), kWaitFailed) << count;
    EXPECT_EQ(GetLastErrorCode(), kErrorInvalidParameter) << count;
  }
  EXPECT_EQ(CountOf(semaphore.get()), 1);
}

TEST_F(SyncContract, WaitsTimeOutAfterTheirTime) {
  Owned semaphore = Semaphore(0, 1);
  Owned event = Event(true, false);
  const Handle list[] = {semaphore.get(), event.get()};
  struct Case {
    const char* name;
    uint32_t (*wait)(const Handle* list, uint32_t timeoutMs);
  };
  const Case cases[] = {
      {"single", [](const Handle* l, uint32_t ms) { return WaitForObject(l[0], ms); }},
      {"any", [](const Handle* l, uint32_t ms) { return WaitForAnyObject(2, l, ms); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Clock::time_point start = Clock::now();
    EXPECT_EQ(c.wait(list, 1200), kWaitTimeout);
    const int64_t elapsed = MillisecondsSince(start);
    EXPECT_GE(elapsed, 1100);
    EXPECT_LT(elapsed, 5000);
  }
}

TEST_F(SyncContract, AnotherThreadWakesAWait) {
  // Which object the other thread signals, and the index the wait reports.
  struct Case {
    const char* name;
    bool viaEvent;
    uint32_t timeoutMs;
  };
  const Case cases[] = {{"release, limited wait", false, 10000},
                        {"set, limited wait", true, 10000},
                        {"release, unlimited wait", false, kInfinite}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Owned semaphore = Semaphore(0, 1);
    Owned event = Event(false, false);
    const Handle list[] = {semaphore.get(), event.get()};
    const Clock::time_point start = Clock::now();
    std::thread signaller([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      if (c.viaEvent) {
        SetEventObject(event.get());
      } else {
        ReleaseSemaphoreObject(semaphore.get(), 1, nullptr);
      }
    });
    EXPECT_EQ(WaitForAnyObject(2, list, c.timeoutMs), kWaitObject0 + (c.viaEvent ? 1 : 0));
    const int64_t elapsed = MillisecondsSince(start);
    signaller.join();
    EXPECT_GE(elapsed, 250);
    EXPECT_LT(elapsed, 5000);
    EXPECT_EQ(CountOf(semaphore.get()), 0);
    EXPECT_EQ(WaitForObject(event.get(), 0), kWaitTimeout);
  }
}

TEST_F(SyncContract, SemaphoreAsALockKeepsOthersOut) {
  Owned lock = Semaphore(1, 1);
  int shared = 0;  // guarded by the semaphore only
  std::atomic<int> failures{0};
  std::vector<std::thread> workers;
  for (int t = 0; t < 4; ++t) {
    workers.emplace_back([&] {
      for (int i = 0; i < 500; ++i) {
        if (WaitForObject(lock.get(), 10000) != kWaitObject0) {
          ++failures;
          continue;
        }
        const int seen = shared;
        shared = seen + 1;
        if (!ReleaseSemaphoreObject(lock.get(), 1, nullptr)) ++failures;
      }
    });
  }
  for (auto& worker : workers) worker.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_EQ(shared, 2000);
}

TEST_F(SyncContract, BadHandlesFailWithInvalidHandle) {
  Owned semaphore = Semaphore(1, 1);
  Owned event = Event(true, true);
  const Handle closed = CreateSemaphoreObject(1, 1);
  ASSERT_NE(closed, nullptr);
  ASSERT_TRUE(CloseObject(closed));

  struct Case {
    const char* name;
    bool (*call)(Handle handle);
  };
  const Case calls[] = {
      {"wait", [](Handle h) { return WaitForObject(h, 0) == kWaitFailed; }},
      {"wait any",
       [](Handle h) {
         const Handle list[] = {h};
         return WaitForAnyObject(1, list, 0) == kWaitFailed;
       }},
      {"release", [](Handle h) { return !ReleaseSemaphoreObject(h, 1, nullptr); }},
      {"set", [](Handle h) { return !SetEventObject(h); }},
      {"reset", [](Handle h) { return !ResetEventObject(h); }},
      {"close", [](Handle h) { return !CloseObject(h); }},
  };
  const std::pair<const char*, Handle> handles[] = {
      {"null", nullptr}, {"closed", closed}, {"unknown", UnknownHandle()}};
  for (const auto& handle : handles) {
    for (const Case& call : calls) {
      SCOPED_TRACE(::testing::Message() << call.name << " on a " << handle.first << " handle");
      SetLastErrorCode(kErrorSuccess);
      EXPECT_TRUE(call.call(handle.second));
      EXPECT_EQ(GetLastErrorCode(), kErrorInvalidHandle);
    }
  }

  // A bad handle anywhere in the list fails the whole wait, even when an
  // earlier entry is signalled, and takes nothing.
  const Handle list[] = {semaphore.get(), nullptr};
  SetLastErrorCode(kErrorSuccess);
  EXPECT_EQ(WaitForAnyObject(2, list, 0), kWaitFailed);
  EXPECT_EQ(GetLastErrorCode(), kErrorInvalidHandle);
  EXPECT_EQ(CountOf(semaphore.get()), 1);

  // An object of the other kind is a bad handle for the kind's calls.
  SetLastErrorCode(kErrorSuccess);
  EXPECT_FALSE(ReleaseSemaphoreObject(event.get(), 1, nullptr));
  EXPECT_EQ(GetLastErrorCode(), kErrorInvalidHandle);
  SetLastErrorCode(kErrorSuccess);
  EXPECT_FALSE(SetEventObject(semaphore.get()));
  EXPECT_EQ(GetLastErrorCode(), kErrorInvalidHandle);
  EXPECT_EQ(CountOf(semaphore.get()), 1);
}

TEST_F(SyncContract, LastErrorBelongsToEachThread) {
  SetLastErrorCode(kErrorAccessDenied);
  uint32_t seenByOther = 0;
  std::thread other([&] {
    WaitForObject(nullptr, 0);
    seenByOther = GetLastErrorCode();
  });
  other.join();
  EXPECT_EQ(seenByOther, kErrorInvalidHandle);
  EXPECT_EQ(GetLastErrorCode(), kErrorAccessDenied);
}

// An armed fault makes the call fail as the real call would and leaves the
// object as it was; the next call works again.
TEST_F(SyncContract, InjectedFaultsFailTheCall) {
  SetLastErrorCode(kErrorSuccess);
  ArmFault(FaultSite::kCreateSemaphore, 1, false);
  EXPECT_EQ(CreateSemaphoreObject(0, 1), nullptr);
  EXPECT_NE(GetLastErrorCode(), kErrorSuccess);
  Owned semaphore = Semaphore(1, 2);

  SetLastErrorCode(kErrorSuccess);
  ArmFault(FaultSite::kCreateEvent, 1, false);
  EXPECT_EQ(CreateEventObject(true, false), nullptr);
  EXPECT_NE(GetLastErrorCode(), kErrorSuccess);
  Owned event = Event(true, false);

  SetLastErrorCode(kErrorSuccess);
  ArmFault(FaultSite::kReleaseSemaphore, 1, false);
  EXPECT_FALSE(ReleaseSemaphoreObject(semaphore.get(), 1, nullptr));
  EXPECT_NE(GetLastErrorCode(), kErrorSuccess);
  EXPECT_EQ(CountOf(semaphore.get()), 1);

  SetLastErrorCode(kErrorSuccess);
  ArmFault(FaultSite::kSetEvent, 1, false);
  EXPECT_FALSE(SetEventObject(event.get()));
  EXPECT_NE(GetLastErrorCode(), kErrorSuccess);
  EXPECT_EQ(WaitForObject(event.get(), 0), kWaitTimeout);

  const Handle list[] = {semaphore.get(), event.get()};
  SetLastErrorCode(kErrorSuccess);
  ArmFault(FaultSite::kWait, 1, true);
  EXPECT_EQ(WaitForObject(semaphore.get(), 0), kWaitFailed);
  EXPECT_EQ(WaitForAnyObject(2, list, 0), kWaitFailed);
  EXPECT_NE(GetLastErrorCode(), kErrorSuccess);
  DisarmFault(FaultSite::kWait);
  EXPECT_EQ(CountOf(semaphore.get()), 1);
}

}  // namespace
}  // namespace bridgefw::platform
