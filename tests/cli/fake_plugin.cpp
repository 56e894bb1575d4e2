// A stand-in plugin for the host program's tests: it exports the seven
// functions of include/bridgefw/host_api.h and misbehaves on request, so
// that the host's handling of a broken or slow plugin can be seen. The
// environment variable BRIDGEFW_FAKE_PLUGIN chooses the behaviour:
//   version        GetFwUpdDllVersion gives 42
//   no-thread      StartDllControlThread gives null
//   silent         never posts an outcome
//   vanish         the control thread ends after DllUpdate without a post
//   wrong-message  posts with another window message number
//   result:<n>     posts DllReadyForUnload with result n after DllUpdate
//   slow:<n>       posts result n one second after DllUpdate
//   stubborn       after a DllCancel goes on "writing" for 3 s, then
//                  posts result 0
// Every DllCancel it receives is reported on standard error as
// "fake plugin: DllCancel".
#include <pthread.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "bridgefw/host_api.h"

namespace {

std::mutex g_lock;
std::condition_variable g_arrived;
std::deque<BridgeMsgHeader*> g_queue;
pthread_t g_thread;

// The payload-less records, filled in before any thread runs.
struct Singletons {
  BridgeMsgHeader records[BRIDGE_MSG_ID_COUNT];
  Singletons() : records() {
    for (int32_t id = 0; id < BRIDGE_MSG_ID_COUNT; ++id) {
      records[id].msgId = id;
      records[id].isPersistent = 1;
    }
  }
};
Singletons g_singletons;

std::string Mode() {
  const char* mode = std::getenv("BRIDGEFW_FAKE_PLUGIN");
  return mode != nullptr ? mode : "";
}

BridgeMsgHeader* Next(int timeoutMs) {
  std::unique_lock<std::mutex> lock(g_lock);
  if (!g_arrived.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                          [] { return !g_queue.empty(); })) {
    return nullptr;
  }
  BridgeMsgHeader* message = g_queue.front();
  g_queue.pop_front();
  return message;
}

void Release(BridgeMsgHeader* message) {
  if (message != nullptr && message->isPersistent == 0) std::free(message);
}

void Post(const BridgeMsgDllDataInit& init, uint32_t message, int32_t result) {
  auto* ready =
      static_cast<BridgeMsgDllReadyForUnload*>(std::calloc(1, sizeof(BridgeMsgDllReadyForUnload)));
  ready->header.msgId = BRIDGE_MSG_DLL_READY_FOR_UNLOAD;
  ready->header.isDllMsg = 1;
  pthread_t self = pthread_self();
  std::memcpy(&ready->threadHandle, &self, sizeof self);
  ready->resultCode = result;
  auto* window = static_cast<BridgeHostWindow*>(init.appWindow);
  window->post(window, message, reinterpret_cast<uintptr_t>(ready), 0);
}

void* ControlThread(void*) {
  const std::string mode = Mode();
  BridgeMsgDllDataInit init{};
  bool posted = false;
  bool cancelled = false;
  auto cancelAt = std::chrono::steady_clock::time_point::max();
  while (true) {
    BridgeMsgHeader* message = Next(50);
    if (mode == "stubborn" && !posted && std::chrono::steady_clock::now() >= cancelAt) {
      Post(init, init.appMessage, BRIDGE_RESULT_NONE);
      posted = true;
    }
    if (message == nullptr) continue;
    const int32_t id = message->msgId;
    if (id == BRIDGE_MSG_DLL_DATA_INIT) {
      init = *reinterpret_cast<BridgeMsgDllDataInit*>(message);
    } else if (id == BRIDGE_MSG_DLL_UPDATE) {
      if (mode == "vanish") {
        Release(message);
        return nullptr;
      }
      if (mode == "wrong-message") {
        Post(init, init.appMessage + 1, BRIDGE_RESULT_UPGRADE_SUCCEEDED);
        posted = true;
      } else if (mode.rfind("result:", 0) == 0) {
        Post(init, init.appMessage, std::atoi(mode.c_str() + 7));
        posted = true;
      } else if (mode.rfind("slow:", 0) == 0) {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        Post(init, init.appMessage, std::atoi(mode.c_str() + 5));
        posted = true;
      }
    } else if (id == BRIDGE_MSG_DLL_CANCEL) {
      std::fprintf(stderr, "fake plugin: DllCancel\n");
      if (mode == "stubborn" && !cancelled) {
        cancelAt = std::chrono::steady_clock::now() + std::chrono::seconds(3);
      }
      cancelled = true;
    } else if (id == BRIDGE_MSG_DLL_EXIT) {
      return nullptr;
    }
    Release(message);
  }
}

}  // namespace

extern "C" {

void* StartDllControlThread(void) {
  if (Mode() == "no-thread") return nullptr;
  if (pthread_create(&g_thread, nullptr, &ControlThread, nullptr) != 0) return nullptr;
  void* value = nullptr;
  std::memcpy(&value, &g_thread, sizeof value);
  return value;
}

int32_t GetFwUpdDllVersion(void) {
  return Mode() == "version" ? 42 : BRIDGEFW_INTERFACE_VERSION;
}

BridgeMsgHeader* AllocFwUpdDllMsg(int32_t msgId) {
  size_t size = 0;
  if (msgId == BRIDGE_MSG_DLL_DATA_INIT) size = sizeof(BridgeMsgDllDataInit);
  if (msgId == BRIDGE_MSG_DLL_UPDATE) size = sizeof(BridgeMsgDllUpdate);
  if (size == 0) {
    return &g_singletons.records[msgId > 0 && msgId < BRIDGE_MSG_ID_COUNT ? msgId : 0];
  }
  auto* message = static_cast<BridgeMsgHeader*>(std::calloc(1, size));
  message->msgId = msgId;
  message->isDllMsg = 1;
  return message;
}

int32_t SendFwUpdDllMsg(int32_t /*priority*/, BridgeMsgHeader* message) {
  if (message == nullptr) return 0;
  std::lock_guard<std::mutex> lock(g_lock);
  g_queue.push_back(message);
  g_arrived.notify_all();
  return 1;
}

int32_t DeleteDllMsg(BridgeMsgHeader* message) {
  if (message == nullptr) return 0;
  Release(message);
  return 1;
}

int32_t PrepareForExit(void) {
  return SendFwUpdDllMsg(BRIDGE_PRIORITY_NORMAL, AllocFwUpdDllMsg(BRIDGE_MSG_DLL_EXIT));
}

int32_t AppHasReleasedAllDllMsgs(void) {
  return 1;
}

}  // extern "C"
