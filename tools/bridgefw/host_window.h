// The host's window as the plugin sees it on POSIX (BridgeHostWindow):
// posts are queued for the main thread, which a pipe wakes up. The post
// never blocks the plugin's thread.
#pragma once

#include <cstdint>
#include <deque>
#include <mutex>

#include "bridgefw/host_api.h"

namespace bridgefw::cli {

class HostWindow {
 public:
  struct Post {
    uint32_t message;
    uintptr_t wparam;
    intptr_t lparam;
  };

  HostWindow();
  ~HostWindow();
  HostWindow(const HostWindow&) = delete;
  HostWindow& operator=(const HostWindow&) = delete;

  // False when the wake-up pipe could not be made.
  bool ready() const { return m_wakeRead >= 0; }
  BridgeHostWindow* window() { return &m_slot.window; }
  // Readable after a post.
  int wakeFd() const { return m_wakeRead; }
  // The oldest post not taken yet; false when there is none.
  bool TakePost(Post& post);

 private:
  static int OnPost(BridgeHostWindow* self, uint32_t message, uintptr_t wparam, intptr_t lparam);

  // What the plugin holds: the window, followed by the way back here.
  struct Slot {
    BridgeHostWindow window;
    HostWindow* owner;
  };
  Slot m_slot;
  std::mutex m_lock;
  std::deque<Post> m_posts;
  int m_wakeRead = -1;
  int m_wakeWrite = -1;
};

}  // namespace bridgefw::cli
