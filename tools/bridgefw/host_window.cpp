#include "host_window.h"

#include <fcntl.h>
#include <unistd.h>

namespace bridgefw::cli {

HostWindow::HostWindow() : m_slot{{&HostWindow::OnPost}, this} {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0) {
    m_wakeRead = fds[0];
    m_wakeWrite = fds[1];
  }
}

HostWindow::~HostWindow() {
  if (m_wakeRead >= 0) close(m_wakeRead);
  if (m_wakeWrite >= 0) close(m_wakeWrite);
}

int HostWindow::OnPost(BridgeHostWindow* self, uint32_t message, uintptr_t wparam,
                       intptr_t lparam) {
  HostWindow* me = reinterpret_cast<Slot*>(self)->owner;
  {
    std::lock_guard<std::mutex> lock(me->m_lock);
    me->m_posts.push_back({message, wparam, lparam});
  }
  const char wake = 1;
  // A full pipe already wakes the reader.
  [[maybe_unused]] const ssize_t written = write(me->m_wakeWrite, &wake, 1);
  return 1;
}

bool HostWindow::TakePost(Post& post) {
  char drained[64];
  while (read(m_wakeRead, drained, sizeof drained) > 0) {
  }
  std::lock_guard<std::mutex> lock(m_lock);
  if (m_posts.empty()) return false;
  post = m_posts.front();
  m_posts.pop_front();
  return true;
}

}  // namespace bridgefw::cli
