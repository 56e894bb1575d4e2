// Threads of platform/thread.h, and the thread end of platform/module.h
// without a module.
#include "platform/thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>

#include "platform/error.h"
#include "platform/fault.h"
#include "platform/module.h"
#include "platform/sync.h"

namespace bridgefw::platform {
namespace {

using Clock = std::chrono::steady_clock;

int64_t MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// Sets a flag when destroyed, to show that a thread's stack was unwound.
class SetOnDestruction {
 public:
  explicit SetOnDestruction(std::atomic<bool>& flag) : m_flag(flag) {}
  ~SetOnDestruction() { m_flag = true; }
  SetOnDestruction(const SetOnDestruction&) = delete;
  SetOnDestruction& operator=(const SetOnDestruction&) = delete;

 private:
  std::atomic<bool>& m_flag;
};

class ThreadTest : public ::testing::Test {
 protected:
  void TearDown() override { DisarmAllFaults(); }
};

TEST_F(ThreadTest, RunsOnlyOnceResumedAndReportsItsResult) {
  std::atomic<bool> ran{false};
  ThreadObject* thread = CreateSuspendedThread(
      [](void* flag) -> uint32_t {
        *static_cast<std::atomic<bool>*>(flag) = true;
        return 42;
      },
      &ran);
  ASSERT_NE(thread, nullptr);

  // A suspended thread cannot end, so this wait must time out.
  EXPECT_EQ(WaitForThread(thread, 300, nullptr), kWaitTimeout);
  EXPECT_FALSE(ran);

  EXPECT_TRUE(ResumeThread(thread));
  EXPECT_FALSE(ResumeThread(thread));
  uint32_t code = 0;
  EXPECT_EQ(WaitForThread(thread, 10000, &code), kWaitObject0);
  EXPECT_EQ(code, 42u);
  EXPECT_TRUE(ran);

  // Later waits give the same answer at once.
  code = 0;
  EXPECT_EQ(WaitForThread(thread, 0, &code), kWaitObject0);
  EXPECT_EQ(code, 42u);
  EXPECT_EQ(WaitForThread(thread, kInfinite, &code), kWaitObject0);
  EXPECT_EQ(code, 42u);
  EXPECT_TRUE(CloseThread(thread));
}

struct EndProbe {
  std::atomic<bool> unwound{false};
};

[[noreturn]] void EndFromDeepInside(uint32_t code) {
  ExitCurrentThread(code);
}

// Ending the thread from inside nested calls: the given code is the thread's
// exit code and the stack is unwound.
TEST_F(ThreadTest, ExitCurrentThreadEndsWithItsCodeAndUnwinds) {
  struct Case {
    const char* name;
    ThreadProc proc;
    uint32_t expected;
  };
  const Case cases[] = {
      {"ExitCurrentThread",
       [](void* raw) -> uint32_t {
         auto& probe = *static_cast<EndProbe*>(raw);
         {
           SetOnDestruction guard(probe.unwound);
           EndFromDeepInside(7);
         }
       },
       7},
      {"ReleaseModuleAndExitThread without module",
       [](void* raw) -> uint32_t {
         auto& probe = *static_cast<EndProbe*>(raw);
         {
           SetOnDestruction guard(probe.unwound);
           ReleaseModuleAndExitThread(nullptr, 0xFFFFFFFEu);
         }
       },
       0xFFFFFFFEu},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EndProbe probe;
    ThreadObject* thread = CreateSuspendedThread(c.proc, &probe);
    ASSERT_NE(thread, nullptr);
    ASSERT_TRUE(ResumeThread(thread));
    uint32_t code = 0;
    EXPECT_EQ(WaitForThread(thread, 10000, &code), kWaitObject0);
    EXPECT_EQ(code, c.expected);
    EXPECT_TRUE(probe.unwound);
    EXPECT_TRUE(CloseThread(thread));
  }
}

TEST_F(ThreadTest, WaitTimesOutWhileTheThreadRuns) {
  const Handle gate = CreateSemaphoreObject(0, 1);
  ASSERT_NE(gate, nullptr);
  ThreadObject* thread = CreateSuspendedThread(
      [](void* semaphore) -> uint32_t {
        return WaitForObject(static_cast<Handle>(semaphore), kInfinite) == kWaitObject0 ? 3 : 4;
      },
      gate);
  ASSERT_NE(thread, nullptr);
  ASSERT_TRUE(ResumeThread(thread));

  const Clock::time_point start = Clock::now();
  uint32_t code = 0;
  EXPECT_EQ(WaitForThread(thread, 1200, &code), kWaitTimeout);
  const int64_t elapsed = MillisecondsSince(start);
  EXPECT_GE(elapsed, 1100);
  EXPECT_LT(elapsed, 5000);
  EXPECT_EQ(WaitForThread(thread, 0, &code), kWaitTimeout);

  ASSERT_TRUE(ReleaseSemaphoreObject(gate, 1, nullptr));
  EXPECT_EQ(WaitForThread(thread, 10000, &code), kWaitObject0);
  EXPECT_EQ(code, 3u);
  EXPECT_TRUE(CloseThread(thread));
  CloseObject(gate);
}

TEST_F(ThreadTest, NullThreadFails) {
  SetLastErrorCode(kErrorSuccess);
  EXPECT_EQ(WaitForThread(nullptr, 0, nullptr), kWaitFailed);
  EXPECT_EQ(GetLastErrorCode(), kErrorInvalidHandle);
  EXPECT_FALSE(ResumeThread(nullptr));
  EXPECT_FALSE(CloseThread(nullptr));
}

TEST_F(ThreadTest, HostValueIdentifiesTheThread) {
  struct Seen {
    void* own = nullptr;
  } seen;
  ThreadObject* thread = CreateSuspendedThread(
      [](void* raw) -> uint32_t {
        static_cast<Seen*>(raw)->own = CurrentThreadHostValue();
        return 0;
      },
      &seen);
  ASSERT_NE(thread, nullptr);
  void* const host = ThreadHostValue(thread);
  ASSERT_TRUE(ResumeThread(thread));
  ASSERT_EQ(WaitForThread(thread, 10000, nullptr), kWaitObject0);
  EXPECT_NE(host, nullptr);
  EXPECT_EQ(seen.own, host);
  EXPECT_NE(CurrentThreadHostValue(), host);
  EXPECT_EQ(ThreadHostValue(thread), host);
  EXPECT_TRUE(CloseThread(thread));
}

TEST_F(ThreadTest, ClosedRecordLeavesTheThreadRunning) {
  struct Link {
    Handle go;
    Handle done;
  };
  Link link{CreateSemaphoreObject(0, 1), CreateEventObject(true, false)};
  ASSERT_NE(link.go, nullptr);
  ASSERT_NE(link.done, nullptr);
  ThreadObject* thread = CreateSuspendedThread(
      [](void* raw) -> uint32_t {
        const Link& l = *static_cast<Link*>(raw);
        if (WaitForObject(l.go, 10000) == kWaitObject0) SetEventObject(l.done);
        return 0;
      },
      &link);
  ASSERT_NE(thread, nullptr);
  ASSERT_TRUE(ResumeThread(thread));
  EXPECT_TRUE(CloseThread(thread));

  ASSERT_TRUE(ReleaseSemaphoreObject(link.go, 1, nullptr));
  EXPECT_EQ(WaitForObject(link.done, 10000), kWaitObject0);
  // The detached thread may still be on its way out; it touches neither
  // handle any more.
  CloseObject(link.go);
  CloseObject(link.done);
}

TEST_F(ThreadTest, InjectedFaultFailsCreation) {
  SetLastErrorCode(kErrorSuccess);
  ArmFault(FaultSite::kCreateThread, 1, false);
  EXPECT_EQ(CreateSuspendedThread([](void*) -> uint32_t { return 0; }, nullptr), nullptr);
  EXPECT_NE(GetLastErrorCode(), kErrorSuccess);
}

TEST_F(ThreadTest, SleepLastsAtLeastItsTime) {
  const Clock::time_point start = Clock::now();
  SleepMilliseconds(200);
  const int64_t elapsed = MillisecondsSince(start);
  EXPECT_GE(elapsed, 200);
  EXPECT_LT(elapsed, 5000);
}

}  // namespace
}  // namespace bridgefw::platform
