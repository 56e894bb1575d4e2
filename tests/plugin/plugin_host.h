// A host as a real one would be: it loads libbridgefw.so with dlopen,
// reaches it only through include/bridgefw/host_api.h, receives posts
// through a BridgeHostWindow and joins the control thread.
#pragma once

#include <dlfcn.h>
#include <pthread.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "bridgefw/host_api.h"

namespace bridgefw::testing {

// Records the plugin's posts.
class RecordingWindow {
 public:
  RecordingWindow() : m_slot{{&RecordingWindow::OnPost}, this} {}
  BridgeHostWindow* window() { return &m_slot.window; }

  struct Post {
    uint32_t message;
    uintptr_t wparam;
    intptr_t lparam;
  };

  // Waits up to `timeoutMs` for the next post.
  bool Next(Post& post, int timeoutMs) {
    std::unique_lock<std::mutex> lock(m_lock);
    if (!m_posted.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [this] { return !m_posts.empty(); })) {
      return false;
    }
    post = m_posts.front();
    m_posts.pop_front();
    return true;
  }
  size_t Pending() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_posts.size();
  }

 private:
  static int OnPost(BridgeHostWindow* self, uint32_t message, uintptr_t wparam, intptr_t lparam) {
    auto* me = reinterpret_cast<Slot*>(self)->owner;
    std::lock_guard<std::mutex> lock(me->m_lock);
    me->m_posts.push_back({message, wparam, lparam});
    me->m_posted.notify_all();
    return 1;
  }

  // The window the plugin sees, and the way back to this recorder.
  struct Slot {
    BridgeHostWindow window;
    RecordingWindow* owner;
  };
  Slot m_slot;
  std::mutex m_lock;
  std::condition_variable m_posted;
  std::deque<Post> m_posts;
};

class PluginHost {
 public:
  explicit PluginHost(const char* path = BRIDGEFW_PLUGIN_PATH) : m_path(path) {
    m_module = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (m_module == nullptr) return;
    Bind(StartDllControlThread, "StartDllControlThread");
    Bind(GetFwUpdDllVersion, "GetFwUpdDllVersion");
    Bind(AllocFwUpdDllMsg, "AllocFwUpdDllMsg");
    Bind(SendFwUpdDllMsg, "SendFwUpdDllMsg");
    Bind(DeleteDllMsg, "DeleteDllMsg");
    Bind(PrepareForExit, "PrepareForExit");
    Bind(AppHasReleasedAllDllMsgs, "AppHasReleasedAllDllMsgs");
  }
  PluginHost(const PluginHost&) = delete;
  PluginHost& operator=(const PluginHost&) = delete;

  bool loaded() const { return m_module != nullptr; }
  void* module() const { return m_module; }
  bool StillMapped() const {
    void* again = dlopen(m_path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (again != nullptr) dlclose(again);
    return again != nullptr;
  }

  void* thread() const {
    void* value = nullptr;
    std::memcpy(&value, &m_thread, sizeof value);
    return value;
  }

  // Starts the control thread; false when it could not be started.
  bool Start() {
    void* thread = StartDllControlThread();
    if (thread == nullptr) return false;
    std::memcpy(&m_thread, &thread, sizeof m_thread);
    m_started = true;
    return true;
  }

  // DllDataInit with the window, message number and the host's load
  // handle: from then on the plugin's end releases the library.
  bool SendDataInit(RecordingWindow& window, uint32_t appMessage, bool handOverModule = true) {
    auto* init =
        reinterpret_cast<BridgeMsgDllDataInit*>(AllocFwUpdDllMsg(BRIDGE_MSG_DLL_DATA_INIT));
    if (init == nullptr) return false;
    init->appMessage = appMessage;
    init->appWindow = window.window();
    init->pluginModule = handOverModule ? m_module : nullptr;
    return SendFwUpdDllMsg(BRIDGE_PRIORITY_NORMAL, &init->header) == 1;
  }

  struct Request {
    std::u16string serial;
    uint32_t vendorId = 0x2B4E;
    uint32_t productId = 0;
    std::vector<std::u16string> prefixes{u"USBSTOR\\DISK", u"SCSI\\DISK"};
    bool nullPrefixList = false;
    std::u16string firmwarePath;
  };

  bool SendUpdate(const Request& request) {
    auto* update = reinterpret_cast<BridgeMsgDllUpdate*>(AllocFwUpdDllMsg(BRIDGE_MSG_DLL_UPDATE));
    if (update == nullptr) return false;
    std::memset(update->serialNumber, 0, sizeof update->serialNumber);
    std::memcpy(update->serialNumber, request.serial.data(),
                std::min(request.serial.size(), size_t{BRIDGE_SERIAL_NUMBER_UNITS}) * 2);
    update->productId = request.productId;
    update->vendorId = request.vendorId;
    // Each request's list stays alive until the host is gone: the plugin
    // reads it when it handles the record, which may be later.
    PrefixList& list = m_prefixLists.emplace_back();
    list.strings = request.prefixes;
    for (const auto& prefix : list.strings) {
      list.items.push_back(reinterpret_cast<const uint16_t*>(prefix.c_str()));
    }
    list.list.count = static_cast<uint32_t>(list.items.size());
    list.list.items = list.items.data();
    update->deviceIdPrefixes = request.nullPrefixList ? nullptr : &list.list;
    std::memset(update->firmwarePath, 0, sizeof update->firmwarePath);
    std::memcpy(update->firmwarePath, request.firmwarePath.data(),
                std::min(request.firmwarePath.size(), size_t{BRIDGE_FIRMWARE_PATH_UNITS - 1}) * 2);
    return SendFwUpdDllMsg(BRIDGE_PRIORITY_NORMAL, &update->header) == 1;
  }

  bool SendId(int32_t id, int32_t priority = BRIDGE_PRIORITY_NORMAL) {
    return SendFwUpdDllMsg(priority, AllocFwUpdDllMsg(id)) == 1;
  }

  // Joins the control thread; its exit code, or -1 when it was not started.
  long Join() {
    if (!m_started) return -1;
    void* result = nullptr;
    pthread_join(m_thread, &result);
    m_started = false;
    return static_cast<long>(reinterpret_cast<uintptr_t>(result));
  }

  // Drops the host's own hold when the plugin was never told to.
  void Unload() {
    if (m_module != nullptr) dlclose(m_module);
    m_module = nullptr;
  }

  void* (*StartDllControlThread)(void) = nullptr;
  int32_t (*GetFwUpdDllVersion)(void) = nullptr;
  BridgeMsgHeader* (*AllocFwUpdDllMsg)(int32_t) = nullptr;
  int32_t (*SendFwUpdDllMsg)(int32_t, BridgeMsgHeader*) = nullptr;
  int32_t (*DeleteDllMsg)(BridgeMsgHeader*) = nullptr;
  int32_t (*PrepareForExit)(void) = nullptr;
  int32_t (*AppHasReleasedAllDllMsgs)(void) = nullptr;

 private:
  template <typename Fn>
  void Bind(Fn& fn, const char* name) {
    void* symbol = dlsym(m_module, name);
    std::memcpy(&fn, &symbol, sizeof fn);
  }

  std::string m_path;
  void* m_module = nullptr;
  pthread_t m_thread{};
  bool m_started = false;
  struct PrefixList {
    std::vector<std::u16string> strings;
    std::vector<const uint16_t*> items;
    BridgeWideStringList list{};
  };
  std::deque<PrefixList> m_prefixLists;
};

}  // namespace bridgefw::testing
