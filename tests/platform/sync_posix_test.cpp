// What the POSIX semaphores and events do beyond the Windows contract: a
// handle closed while another thread waits on it ends that wait with
// kWaitFailed (Windows leaves this undefined) without touching freed memory.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>

#include "platform/error.h"
#include "platform/sync.h"

namespace bridgefw::platform {
namespace {

using Clock = std::chrono::steady_clock;

TEST(SyncPosix, ClosingAHandleEndsWaitsOnIt) {
  struct Case {
    const char* name;
    uint32_t timeoutMs;
    bool inList;
  };
  const Case cases[] = {
      {"single, limited", 10000, false},
      {"single, unlimited", kInfinite, false},
      {"any, unlimited", kInfinite, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Handle closing = CreateSemaphoreObject(0, 1);
    const Handle other = CreateEventObject(true, false);
    ASSERT_NE(closing, nullptr);
    ASSERT_NE(other, nullptr);
    std::atomic<uint32_t> result{0};
    std::atomic<uint32_t> error{0};
    const Clock::time_point start = Clock::now();
    std::thread waiter([&] {
      const Handle list[] = {other, closing};
      result =
          c.inList ? WaitForAnyObject(2, list, c.timeoutMs) : WaitForObject(closing, c.timeoutMs);
      error = GetLastErrorCode();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ASSERT_TRUE(CloseObject(closing));
    waiter.join();
    EXPECT_EQ(result.load(), kWaitFailed);
    EXPECT_EQ(error.load(), kErrorInvalidHandle);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
    // The other object is untouched and still usable.
    EXPECT_TRUE(SetEventObject(other));
    EXPECT_EQ(WaitForObject(other, 0), kWaitObject0);
    EXPECT_TRUE(CloseObject(other));
  }
}

}  // namespace
}  // namespace bridgefw::platform
