#include <gtest/gtest.h>

#include <thread>

#include "fwupd/event.h"
#include "fwupd/semaphore.h"
#include "fwupd/system_error.h"
#include "platform/error.h"
#include "platform/fault.h"
#include "support/timing.h"

namespace bridgefw {
namespace {

using testing::Stopwatch;

class SyncWrappers : public ::testing::Test {
 protected:
  void TearDown() override { platform::DisarmAllFaults(); }
};

TEST_F(SyncWrappers, LockHeldElsewhereTimesOutAfterAbout1200Ms) {
  CZtFwUpdSemaphore lock(1, 1);
  ASSERT_TRUE(lock.Lock(0));
  bool gotIt = true;
  Stopwatch watch;
  std::thread other([&] { gotIt = lock.Lock(1200); });
  other.join();
  EXPECT_FALSE(gotIt);
  EXPECT_TOOK_ABOUT(watch, 1200);
  EXPECT_TRUE(lock.Unlock());
  EXPECT_TRUE(lock.Lock(0));
}

TEST_F(SyncWrappers, UnlockPastTheMaximumFails) {
  CZtFwUpdSemaphore lock(1, 1);
  int32_t previous = -1;
  EXPECT_FALSE(lock.Unlock(&previous));
  ASSERT_TRUE(lock.Lock(0));
  EXPECT_TRUE(lock.Unlock(&previous));
  EXPECT_EQ(previous, 0);
}

TEST_F(SyncWrappers, CountingSemaphoreGivesWhatWasReleased) {
  CZtFwUpdSemaphore counter(0, 0x7FFFFFFF);
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(counter.Unlock());
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(counter.Lock(0)) << i;
  EXPECT_FALSE(counter.Lock(0));
}

TEST_F(SyncWrappers, MultiLockPrefersTheSemaphoreAndConsumesOnlyIt) {
  CZtFwUpdSemaphore counter(0, 100);
  CZtFwUpdEvent event;
  ASSERT_TRUE(event.Signal());
  ASSERT_TRUE(counter.Unlock());
  // A message is counted and the event is signalled: the message wins.
  EXPECT_EQ(counter.MultiLock(event.handle(), nullptr, platform::kInfinite), 0u);
  // Count now 0, event still signalled (manual reset, untouched).
  EXPECT_EQ(counter.MultiLock(event.handle(), nullptr, platform::kInfinite), 1u);
  EXPECT_EQ(counter.MultiLock(event.handle(), nullptr, platform::kInfinite), 1u);
  EXPECT_FALSE(counter.Lock(0));
}

TEST_F(SyncWrappers, MultiLockSkipsNullHandles) {
  CZtFwUpdSemaphore counter(0, 100);
  CZtFwUpdEvent event;
  ASSERT_TRUE(event.Signal());
  // other2 follows the semaphore directly when other1 is null.
  EXPECT_EQ(counter.MultiLock(nullptr, event.handle(), 0), 1u);
  // Both null: the semaphore alone.
  EXPECT_EQ(counter.MultiLock(nullptr, nullptr, 0), platform::kWaitTimeout);
  ASSERT_TRUE(counter.Unlock());
  EXPECT_EQ(counter.MultiLock(nullptr, nullptr, 0), 0u);
}

TEST_F(SyncWrappers, MultiLockWakesWhenAnotherThreadCounts) {
  CZtFwUpdSemaphore counter(0, 100);
  CZtFwUpdEvent event;
  std::thread producer([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    counter.Unlock();
  });
  EXPECT_EQ(counter.MultiLock(event.handle(), nullptr, platform::kInfinite), 0u);
  producer.join();
}

TEST_F(SyncWrappers, WaitForEventIsManualResetAndBounded) {
  CZtFwUpdEvent event;
  Stopwatch watch;
  EXPECT_FALSE(event.WaitForEvent());
  EXPECT_TOOK_ABOUT(watch, 2000);
  ASSERT_TRUE(event.Signal());
  EXPECT_TRUE(event.WaitForEvent());
  EXPECT_TRUE(event.WaitForEvent());
}

TEST_F(SyncWrappers, FailedCreationMakesEveryOperationFailAtOnce) {
  platform::ArmFault(platform::FaultSite::kCreateSemaphore, 1, false);
  platform::ArmFault(platform::FaultSite::kCreateEvent, 1, false);
  CZtFwUpdSemaphore lock(1, 1);
  CZtFwUpdEvent event;
  EXPECT_EQ(lock.handle(), nullptr);
  EXPECT_EQ(event.handle(), nullptr);
  Stopwatch watch;
  EXPECT_FALSE(lock.Lock(platform::kInfinite));
  EXPECT_FALSE(lock.Unlock());
  EXPECT_EQ(lock.MultiLock(nullptr, nullptr, platform::kInfinite), platform::kWaitFailed);
  EXPECT_FALSE(event.WaitForEvent());
  EXPECT_FALSE(event.Signal());
  EXPECT_LT(watch.ElapsedMs(), 1000);
}

TEST_F(SyncWrappers, FailedWaitIsNotASuccess) {
  CZtFwUpdSemaphore lock(1, 1);
  CZtFwUpdEvent event;
  ASSERT_TRUE(event.Signal());
  platform::ArmFault(platform::FaultSite::kWait, 1, true);
  EXPECT_FALSE(lock.Lock(0));
  EXPECT_EQ(lock.MultiLock(event.handle(), nullptr, 0), platform::kWaitFailed);
  EXPECT_FALSE(event.WaitForEvent());
}

TEST(FormatSystemError, JoinsContextAndSystemMessage) {
  platform::SetLastErrorCode(platform::kErrorTooManyPosts);
  WString expected;
  ASSERT_TRUE(platform::SystemMessageText(platform::kErrorTooManyPosts, expected));
  EXPECT_EQ(FormatSystemError(u"CZtFwUpdSemaphore::Unlock Error"),
            u"CZtFwUpdSemaphore::Unlock Error : " + expected);
  EXPECT_EQ(expected.substr(expected.size() - 2), u"\r\n");
}

TEST(FormatSystemError, UnknownCodeSaysSo) {
  platform::SetLastErrorCode(0xDEADBEEF);
  EXPECT_EQ(FormatSystemError(u"CZtFwUpdEvent::WaitForEvent Failure"),
            u"CZtFwUpdEvent::WaitForEvent Failure :  Failed to retrieve system error");
}

TEST(FormatSystemError, CutToTheBuffer) {
  platform::SetLastErrorCode(0xDEADBEEF);
  const WString text = FormatSystemError(WString(5000, u'x'));
  EXPECT_EQ(text.size(), 4095u);
  EXPECT_EQ(text, WString(4095, u'x'));
}

}  // namespace
}  // namespace bridgefw
