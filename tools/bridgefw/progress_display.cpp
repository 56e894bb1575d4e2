#include "progress_display.h"

#include <unistd.h>

namespace bridgefw::cli {
namespace {

constexpr double kPlainReportInterval = 5.0;
constexpr char kSpinner[] = {'|', '/', '-', '\\'};
constexpr const char* kUnplugWarning = "do not unplug the drive";

}  // namespace

ProgressDisplay::ProgressDisplay(std::FILE* out, bool terminal)
    : m_out(out), m_terminal(terminal), m_nextPlainReport(kPlainReportInterval) {}

bool ProgressDisplay::IsTerminal(std::FILE* stream) {
  return isatty(fileno(stream)) == 1;
}

std::string ProgressDisplay::FormatElapsed(double seconds) {
  const auto whole = seconds < 0 ? 0L : static_cast<long>(seconds);
  char text[32];
  std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
  return text;
}

void ProgressDisplay::SetActivity(const std::string& activity) {
  m_activity = activity;
  if (m_statusShown) DrawStatus(m_lastElapsed);
}

void ProgressDisplay::Line(double elapsedSeconds, const std::string& text) {
  m_lastElapsed = elapsedSeconds;
  if (m_terminal) {
    ClearStatus();
    std::fprintf(m_out, "%s\n", text.c_str());
    DrawStatus(elapsedSeconds);
  } else {
    std::fprintf(m_out, "[%s] %s\n", FormatElapsed(elapsedSeconds).c_str(), text.c_str());
  }
  std::fflush(m_out);
}

void ProgressDisplay::Tick(double elapsedSeconds) {
  m_lastElapsed = elapsedSeconds;
  if (m_terminal) {
    ++m_frame;
    DrawStatus(elapsedSeconds);
  } else if (elapsedSeconds >= m_nextPlainReport) {
    std::fprintf(m_out, "[%s] still %s; %s\n", FormatElapsed(elapsedSeconds).c_str(),
                 m_activity.c_str(), kUnplugWarning);
    while (m_nextPlainReport <= elapsedSeconds) m_nextPlainReport += kPlainReportInterval;
  }
  std::fflush(m_out);
}

void ProgressDisplay::Finish() {
  if (m_terminal) ClearStatus();
  std::fflush(m_out);
}

void ProgressDisplay::ClearStatus() {
  if (!m_statusShown) return;
  std::fputs("\r\033[K", m_out);
  m_statusShown = false;
}

void ProgressDisplay::DrawStatus(double elapsedSeconds) {
  std::fprintf(m_out, "\r\033[K%c %s %s - %s", kSpinner[m_frame % sizeof kSpinner],
               FormatElapsed(elapsedSeconds).c_str(), m_activity.c_str(), kUnplugWarning);
  m_statusShown = true;
}

}  // namespace bridgefw::cli
