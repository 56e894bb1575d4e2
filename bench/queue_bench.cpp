// Throughput of the control thread's inbox: put and take one record, and a
// producer thread feeding a consumer through the counting semaphore.
#include <benchmark/benchmark.h>

#include <thread>

#include "fwupd/message.h"
#include "fwupd/msg_queue.h"

namespace bridgefw {
namespace {

void PutAndTake(benchmark::State& state) {
  CZtFwUpdMsgQueue queue;
  CZtFwUpdMsg* msg = CreateMsgFromId(23);
  for (auto _ : state) {
    queue.AddMsgNormalPriority(msg);
    queue.semaphore().Lock(0);
    benchmark::DoNotOptimize(queue.RemoveNextMsg());
  }
}
BENCHMARK(PutAndTake);

void ProducerToConsumer(benchmark::State& state) {
  constexpr int kBatch = 1000;
  CZtFwUpdMsgQueue queue;
  CZtFwUpdMsg* msg = CreateMsgFromId(23);
  for (auto _ : state) {
    std::thread producer([&] {
      for (int i = 0; i < kBatch; ++i) queue.AddMsgHighPriority(msg);
    });
    for (int i = 0; i < kBatch; ++i) {
      queue.semaphore().Lock(0xFFFFFFFFu);
      benchmark::DoNotOptimize(queue.RemoveNextMsg());
    }
    producer.join();
  }
  state.SetItemsProcessed(state.iterations() * kBatch);
}
BENCHMARK(ProducerToConsumer)->UseRealTime();

}  // namespace
}  // namespace bridgefw
