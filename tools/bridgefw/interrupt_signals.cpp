#include "interrupt_signals.h"

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace bridgefw::cli {

InterruptSignals::InterruptSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  m_fd = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
}

InterruptSignals::~InterruptSignals() {
  if (m_fd >= 0) close(m_fd);
}

int InterruptSignals::TakeArrived() {
  if (m_fd < 0) return 0;
  int count = 0;
  signalfd_siginfo info{};
  while (read(m_fd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) ++count;
  return count;
}

}  // namespace bridgefw::cli
