// Shows that an update is going on: the elapsed time, each new line of the
// plugin's log, notices, and the warning not to unplug the drive. On a
// terminal one status line with a spinner is redrawn in place; otherwise
// (a pipe, a file) plain lines are written: each log line and notice with
// the elapsed time, and every five seconds a line that work goes on.
#pragma once

#include <cstdio>
#include <string>

namespace bridgefw::cli {

class ProgressDisplay {
 public:
  ProgressDisplay(std::FILE* out, bool terminal);
  ProgressDisplay(const ProgressDisplay&) = delete;
  ProgressDisplay& operator=(const ProgressDisplay&) = delete;

  static bool IsTerminal(std::FILE* stream);

  // What is going on, e.g. "updating"; shown in the status line.
  void SetActivity(const std::string& activity);
  // A line of its own (a log line, a notice).
  void Line(double elapsedSeconds, const std::string& text);
  // Called a few times a second: redraws the spinner, or writes the
  // periodic plain line when it is due.
  void Tick(double elapsedSeconds);
  // Removes the status line.
  void Finish();

  // "1:05" for 65 seconds.
  static std::string FormatElapsed(double seconds);

 private:
  void ClearStatus();
  void DrawStatus(double elapsedSeconds);

  std::FILE* m_out;
  bool m_terminal;
  std::string m_activity = "working";
  bool m_statusShown = false;
  unsigned m_frame = 0;
  double m_lastElapsed = 0;
  double m_nextPlainReport;
};

}  // namespace bridgefw::cli
