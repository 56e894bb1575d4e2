// Ctrl-C (SIGINT) and SIGTERM as requests to read, not as the end of the
// program: while an update runs, ending the host would leave the plugin's
// writing run cut off. The signals are blocked in the thread that makes
// this object (and so in every thread started after it, the plugin's
// included) and read from a descriptor.
#pragma once

namespace bridgefw::cli {

class InterruptSignals {
 public:
  // Must be made before any thread is started.
  InterruptSignals();
  // Closes the descriptor; the signals stay blocked, so that a late
  // Ctrl-C cannot cut off the report of a finished run.
  ~InterruptSignals();
  InterruptSignals(const InterruptSignals&) = delete;
  InterruptSignals& operator=(const InterruptSignals&) = delete;

  // Readable when a signal is pending; -1 when none could be made.
  int fd() const { return m_fd; }
  // The number of signals that arrived since the last call.
  int TakeArrived();

 private:
  int m_fd = -1;
};

}  // namespace bridgefw::cli
