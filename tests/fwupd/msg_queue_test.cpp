#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "fwupd/messages.h"
#include "fwupd/msg_queue.h"
#include "test_records.h"

namespace bridgefw {
namespace {

using testing::CountedMsg;

std::vector<CZtFwUpdMsg*> Drain(CZtFwUpdMsgQueue& queue) {
  std::vector<CZtFwUpdMsg*> out;
  while (queue.semaphore().Lock(0)) out.push_back(queue.RemoveNextMsg());
  return out;
}

TEST(MsgQueue, HighPriorityComesFirstAndEachListKeepsItsOrder) {
  CZtFwUpdMsgQueue queue;
  CZtFwUpdMsg* n1 = CreateMsgFromId(15);
  CZtFwUpdMsg* n2 = CreateMsgFromId(16);
  CZtFwUpdMsg* h1 = CreateMsgFromId(17);
  CZtFwUpdMsg* n3 = CreateMsgFromId(18);
  CZtFwUpdMsg* h2 = CreateMsgFromId(19);
  EXPECT_TRUE(queue.AddMsgNormalPriority(n1));
  EXPECT_TRUE(queue.AddMsgNormalPriority(n2));
  EXPECT_TRUE(queue.AddMsgHighPriority(h1));
  EXPECT_TRUE(queue.AddMsgNormalPriority(n3));
  EXPECT_TRUE(queue.AddMsgHighPriority(h2));
  EXPECT_EQ(Drain(queue), (std::vector<CZtFwUpdMsg*>{h1, h2, n1, n2, n3}));
  EXPECT_EQ(queue.RemoveNextMsg(), nullptr);
}

TEST(MsgQueue, TheSameSingletonQueuedTwiceComesOutTwice) {
  CZtFwUpdMsgQueue queue;
  CZtFwUpdMsg* rescan = CreateMsgFromId(kMsgAppBtnRescan);
  queue.AddMsgNormalPriority(rescan);
  queue.AddMsgNormalPriority(rescan);
  EXPECT_EQ(Drain(queue), (std::vector<CZtFwUpdMsg*>{rescan, rescan}));
}

TEST(MsgQueue, NullIsRefusedAndNotCounted) {
  CZtFwUpdMsgQueue queue;
  EXPECT_FALSE(queue.AddMsgHighPriority(nullptr));
  EXPECT_FALSE(queue.AddMsgNormalPriority(nullptr));
  EXPECT_FALSE(queue.semaphore().Lock(0));
}

TEST(MsgQueue, PurgeDeletesOnlyRecordsThatNobodyElseOwns) {
  std::atomic<int> deletions{0};
  CZtFwUpdMsgQueue queue;
  auto* panel = new CountedMsg(false, false, deletions);  // like DlgChangePanel
  auto* lent = new CountedMsg(false, true, deletions);    // like DllUpdate: the ledger owns it
  auto* persistent = new CountedMsg(true, false, deletions);
  queue.AddMsgHighPriority(panel);
  queue.AddMsgNormalPriority(lent);
  queue.AddMsgNormalPriority(persistent);
  queue.AddMsgNormalPriority(CreateMsgFromId(kMsgAppBtnRescan));
  queue.PurgeMsgs();
  EXPECT_EQ(deletions.load(), 1);
  EXPECT_EQ(queue.RemoveNextMsg(), nullptr);
  delete lent;
  delete persistent;

  // The queue works normally after a purge.
  CZtFwUpdMsg* rescan = CreateMsgFromId(kMsgAppBtnRescan);
  queue.AddMsgNormalPriority(rescan);
  EXPECT_EQ(queue.RemoveNextMsg(), rescan);
}

TEST(MsgQueue, DestructionPurges) {
  std::atomic<int> deletions{0};
  {
    CZtFwUpdMsgQueue queue;
    queue.AddMsgNormalPriority(new CountedMsg(false, false, deletions));
  }
  EXPECT_EQ(deletions.load(), 1);
}

TEST(MsgQueue, ConcurrentProducersLoseNothingAndKeepPerProducerOrder) {
  CZtFwUpdMsgQueue queue;
  constexpr int kProducers = 4;
  constexpr int kPerProducer = 2000;
  // Each producer queues the singletons of ids 15+p in order; records are
  // told apart by id, and order within one producer is all that is promised.
  std::vector<std::thread> producers;
  for (int p = 0; p < kProducers; ++p) {
    producers.emplace_back([&queue, p] {
      for (int i = 0; i < kPerProducer; ++i) {
        CZtFwUpdMsg* msg = CreateMsgFromId(15 + p);
        if (i % 2 == 0) {
          queue.AddMsgNormalPriority(msg);
        } else {
          queue.AddMsgHighPriority(msg);
        }
      }
    });
  }
  int taken[kProducers] = {};
  int total = 0;
  while (total < kProducers * kPerProducer) {
    ASSERT_TRUE(queue.semaphore().Lock(5000)) << "lost a count after " << total;
    CZtFwUpdMsg* msg = queue.RemoveNextMsg();
    ASSERT_NE(msg, nullptr) << "count ran ahead of the lists";
    ++taken[msg->msgId - 15];
    ++total;
  }
  for (auto& producer : producers) producer.join();
  for (int p = 0; p < kProducers; ++p) EXPECT_EQ(taken[p], kPerProducer);
  EXPECT_FALSE(queue.semaphore().Lock(0));
}

}  // namespace
}  // namespace bridgefw
