// Threads for POSIX on pthreads.
//
// A new thread first waits at a gate that ResumeThread opens, which gives
// the "created suspended" start. The exit code travels as the pthread's
// return value, both when the proc returns and when the thread ends with
// ExitCurrentThread (pthread_exit), and WaitForThread joins the thread.
// Joining, rather than a flag that the thread sets on its way out, makes a
// wait end only once the thread is completely gone, after its thread-exit
// destructors; ReleaseModuleAndExitThread relies on that, since the module
// is released by one of those destructors.
#include "platform/thread.h"

#include <pthread.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <ctime>
#include <memory>
#include <mutex>
#include <new>
#include <thread>

#include "platform/errno_posix.h"
#include "platform/error.h"
#include "platform/fault.h"
#include "platform/sync.h"

namespace bridgefw::platform {
namespace {

using Clock = std::chrono::steady_clock;

// pthread_timedjoin_np takes a CLOCK_REALTIME deadline; waiting in short
// slices measured on the steady clock keeps a jump of the wall clock from
// stretching or cutting a time-out by more than one slice.
constexpr std::chrono::milliseconds kJoinSlice{100};

// Held by the record and by the thread, since either may be gone first.
struct StartGate {
  std::mutex mutex;
  std::condition_variable opened;
  bool open = false;
};

struct StartBlock {
  ThreadProc proc;
  void* argument;
  std::shared_ptr<StartGate> gate;
};

void* CodeToResult(uint32_t code) {
  return reinterpret_cast<void*>(static_cast<uintptr_t>(code));
}

uint32_t CodeFromResult(void* result) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(result));
}

void* HostValueOf(pthread_t thread) {
  static_assert(sizeof(pthread_t) == sizeof(uintptr_t), "pthread_t must fit a pointer");
  uintptr_t value = 0;
  std::memcpy(&value, &thread, sizeof value);
  return reinterpret_cast<void*>(value);
}

// Must not be noexcept: ExitCurrentThread unwinds through it.
void* ThreadStart(void* raw) {
  std::unique_ptr<StartBlock> block(static_cast<StartBlock*>(raw));
  {
    StartGate& gate = *block->gate;
    std::unique_lock<std::mutex> lock(gate.mutex);
    gate.opened.wait(lock, [&gate] { return gate.open; });
  }
  const ThreadProc proc = block->proc;
  void* const argument = block->argument;
  block.reset();
  return CodeToResult(proc(argument));
}

timespec RealtimeAfter(std::chrono::nanoseconds delay) {
  timespec when{};
  clock_gettime(CLOCK_REALTIME, &when);
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(delay);
  when.tv_sec += static_cast<time_t>(seconds.count());
  when.tv_nsec += static_cast<long>((delay - seconds).count());
  if (when.tv_nsec >= 1000000000L) {
    when.tv_sec += 1;
    when.tv_nsec -= 1000000000L;
  }
  return when;
}

// pthread_join with a time-out: 0 when joined, ETIMEDOUT, or another error.
int JoinWithin(pthread_t thread, uint32_t timeoutMs, void** result) {
  if (timeoutMs == kInfinite) return pthread_join(thread, result);
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    const Clock::duration left = deadline - Clock::now();
    if (left <= Clock::duration::zero()) {
      const int err = pthread_tryjoin_np(thread, result);
      return err == EBUSY ? ETIMEDOUT : err;
    }
    const timespec until = RealtimeAfter(
        std::min<Clock::duration>(left, std::chrono::duration_cast<Clock::duration>(kJoinSlice)));
    const int err = pthread_timedjoin_np(thread, result, &until);
    if (err != ETIMEDOUT) return err;
  }
}

}  // namespace

struct ThreadObject {
  pthread_t thread{};
  std::shared_ptr<StartGate> gate;
  // Touched only by the one thread that waits for or closes the record.
  bool joined = false;
  uint32_t exitCode = 0;
};

ThreadObject* CreateSuspendedThread(ThreadProc proc, void* argument) {
  if (ShouldFail(FaultSite::kCreateThread)) {
    SetLastErrorCode(kErrorNotEnoughMemory);
    return nullptr;
  }
  if (proc == nullptr) {
    SetLastErrorCode(kErrorInvalidParameter);
    return nullptr;
  }
  try {
    auto record = std::make_unique<ThreadObject>();
    record->gate = std::make_shared<StartGate>();
    auto block = std::make_unique<StartBlock>(StartBlock{proc, argument, record->gate});
    const int err = pthread_create(&record->thread, nullptr, &ThreadStart, block.get());
    if (err != 0) {
      SetLastErrorFromErrno(err);
      return nullptr;
    }
    block.release();  // the thread owns it now
    return record.release();
  } catch (const std::bad_alloc&) {
    SetLastErrorCode(kErrorNotEnoughMemory);
    return nullptr;
  }
}

bool ResumeThread(ThreadObject* thread) {
  if (thread == nullptr) {
    SetLastErrorCode(kErrorInvalidHandle);
    return false;
  }
  StartGate& gate = *thread->gate;
  std::lock_guard<std::mutex> lock(gate.mutex);
  if (gate.open) return false;
  gate.open = true;
  gate.opened.notify_one();
  return true;
}

uint32_t WaitForThread(ThreadObject* thread, uint32_t timeoutMs, uint32_t* exitCode) {
  if (thread == nullptr) {
    SetLastErrorCode(kErrorInvalidHandle);
    return kWaitFailed;
  }
  if (!thread->joined) {
    void* result = nullptr;
    const int err = JoinWithin(thread->thread, timeoutMs, &result);
    if (err == ETIMEDOUT) return kWaitTimeout;
    if (err != 0) {
      SetLastErrorFromErrno(err);
      return kWaitFailed;
    }
    thread->joined = true;
    thread->exitCode = CodeFromResult(result);
  }
  if (exitCode != nullptr) *exitCode = thread->exitCode;
  return kWaitObject0;
}

bool CloseThread(ThreadObject* thread) {
  if (thread == nullptr) {
    SetLastErrorCode(kErrorInvalidHandle);
    return false;
  }
  // A thread that was never resumed stays parked at its gate, as a
  // suspended thread whose last handle is closed stays suspended.
  if (!thread->joined) pthread_detach(thread->thread);
  delete thread;
  return true;
}

void* HandThreadToHost(ThreadObject* thread) {
  if (thread == nullptr) return nullptr;
  // Not detached: the host joins the pthread_t itself.
  void* value = HostValueOf(thread->thread);
  delete thread;
  return value;
}

void* ThreadHostValue(ThreadObject* thread) {
  return thread == nullptr ? nullptr : HostValueOf(thread->thread);
}

void* CurrentThreadHostValue() {
  return HostValueOf(pthread_self());
}

void ExitCurrentThread(uint32_t exitCode) {
  pthread_exit(CodeToResult(exitCode));
}

void SleepMilliseconds(uint32_t milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace bridgefw::platform
