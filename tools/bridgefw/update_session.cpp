#include "update_session.h"

#include <poll.h>
#include <pthread.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "bridgefw/host_api.h"
#include "host_window.h"
#include "interrupt_signals.h"
#include "log_follower.h"
#include "plugin_library.h"

namespace bridgefw::cli {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kTickMs = 100;
// After the outcome the plugin closes down by itself; it waits at most
// 120 s for a write attempt that a cancel left running.
constexpr std::chrono::seconds kCloseDownBound{150};

constexpr const char* kCancelNotice =
    "Ctrl-C: asked the plugin to cancel. Waiting for its orderly end: a write attempt that has "
    "begun is finished first, so that the drive keeps a working firmware. Do not unplug the "
    "drive.";
constexpr const char* kStillWaitingNotice =
    "Still waiting for the plugin's orderly end. The cancel request has been sent; a write "
    "attempt that has begun is finished before the plugin stops, so that the drive keeps a "
    "working firmware. Do not unplug the drive.";
constexpr const char* kClosingDownNotice =
    "The outcome is in; the plugin is closing down by itself. Waiting for it to end.";

class UpdateSession {
 public:
  UpdateSession(const UpdateRequest& request, ProgressDisplay& display)
      : m_request(request), m_display(display), m_follower(request.logPath) {}

  UpdateOutcome Run() {
    if (!m_window.ready()) return Failure("cannot create the host window's wake-up pipe");
    std::string error;
    if (!m_library.Load(m_request.pluginPath, error)) return Failure(error);
    const int32_t version = m_library.GetFwUpdDllVersion();
    if (version != BRIDGEFW_INTERFACE_VERSION) {
      return Failure("the plugin has interface version " + std::to_string(version) +
                     "; this program needs " + std::to_string(BRIDGEFW_INTERFACE_VERSION));
    }
    Notice("Loaded the plugin " + m_request.pluginPath + " (interface version " +
           std::to_string(version) + ").");

    void* thread = m_library.StartDllControlThread();
    if (thread == nullptr) return Failure("the plugin could not start its control thread");
    std::memcpy(&m_thread, &thread, sizeof m_thread);
    m_threadHandle = thread;
    // Its threads run now: only the plugin's own end may unload it.
    m_library.KeepLoaded();
    m_threadRunning = true;

    if (!SendDataInit()) return StuckFailure("the plugin did not take DllDataInit");
    if (!SendUpdate()) return StuckFailure("the plugin did not take DllUpdate");
    Notice("Update request sent; waiting for the plugin's outcome.");
    m_display.SetActivity("updating");
    return Wait();
  }

 private:
  double Elapsed() const { return std::chrono::duration<double>(Clock::now() - m_start).count(); }
  void Notice(const std::string& text) { m_display.Line(Elapsed(), text); }

  UpdateOutcome Failure(const std::string& text) {
    m_outcome.failure = text;
    m_outcome.elapsedSeconds = Elapsed();
    return m_outcome;
  }
  // A failure while the plugin's threads may still run.
  UpdateOutcome StuckFailure(const std::string& text) {
    m_outcome.pluginStillRunning = m_threadRunning;
    return Failure(text);
  }

  bool SendDataInit() {
    auto* init = reinterpret_cast<BridgeMsgDllDataInit*>(
        m_library.AllocFwUpdDllMsg(BRIDGE_MSG_DLL_DATA_INIT));
    if (init == nullptr) return false;
    init->appMessage = kAppMessage;
    init->initWord1 = 0;
    init->appWindow = m_window.window();
    init->initWord2 = 0;
    init->pluginModule = m_library.handle();
    return m_library.SendFwUpdDllMsg(BRIDGE_PRIORITY_NORMAL, &init->header) == 1;
  }

  bool SendUpdate() {
    auto* update =
        reinterpret_cast<BridgeMsgDllUpdate*>(m_library.AllocFwUpdDllMsg(BRIDGE_MSG_DLL_UPDATE));
    if (update == nullptr) return false;
    std::memset(update->unused, 0, sizeof update->unused);
    std::memset(update->serialNumber, 0, sizeof update->serialNumber);
    std::memcpy(update->serialNumber, m_request.serialNumber.data(),
                std::min<size_t>(m_request.serialNumber.size(), BRIDGE_SERIAL_NUMBER_UNITS - 1) *
                    sizeof(uint16_t));
    update->productId = m_request.productId;
    update->vendorId = m_request.vendorId;
    update->updateWord = 0;
    for (const WString& prefix : m_request.prefixes) {
      m_prefixItems.push_back(reinterpret_cast<const uint16_t*>(prefix.c_str()));
    }
    m_prefixList.count = static_cast<uint32_t>(m_prefixItems.size());
    m_prefixList.items = m_prefixItems.data();
    update->deviceIdPrefixes = &m_prefixList;
    std::memset(update->firmwarePath, 0, sizeof update->firmwarePath);
    std::memcpy(update->firmwarePath, m_request.firmwarePath.data(),
                std::min<size_t>(m_request.firmwarePath.size(), BRIDGE_FIRMWARE_PATH_UNITS - 1) *
                    sizeof(uint16_t));
    return m_library.SendFwUpdDllMsg(BRIDGE_PRIORITY_NORMAL, &update->header) == 1;
  }

  // At normal priority, behind DllDataInit and DllUpdate: a cancel that
  // overtook DllDataInit would end the plugin before it knows the window,
  // and no outcome could ever be posted.
  void SendCancel() {
    BridgeMsgHeader* cancel = m_library.AllocFwUpdDllMsg(BRIDGE_MSG_DLL_CANCEL);
    m_outcome.cancelSent =
        cancel != nullptr && m_library.SendFwUpdDllMsg(BRIDGE_PRIORITY_NORMAL, cancel) == 1;
    Notice(m_outcome.cancelSent ? kCancelNotice
                                : "Ctrl-C: the plugin did not take the cancel request; waiting "
                                  "for its end. Do not unplug the drive.");
  }

  void HandleSignals() {
    const int arrived = m_signals.TakeArrived();
    for (int i = 0; i < arrived; ++i) {
      if (m_outcomeIn) {
        Notice(kClosingDownNotice);
      } else if (!m_cancelRequested) {
        m_cancelRequested = true;
        SendCancel();
      } else {
        Notice(kStillWaitingNotice);
      }
    }
  }

  void ShowLogLines(bool all) {
    for (const std::string& line : all ? m_follower.RemainingLines() : m_follower.NewLines()) {
      Notice("log: " + line);
    }
  }

  // True when the control thread has ended (and was joined).
  bool TryJoin() {
    void* exitValue = nullptr;
    if (!m_threadRunning || pthread_tryjoin_np(m_thread, &exitValue) != 0) return false;
    m_threadRunning = false;
    m_threadExitCode = static_cast<long>(reinterpret_cast<uintptr_t>(exitValue));
    return true;
  }

  // Checks the plugin's post and hands the record back. False (with the
  // failure set) when the post is not the DllReadyForUnload it must be.
  bool TakeOutcome(const HostWindow::Post& post) {
    char text[128];
    if (post.message != kAppMessage || post.wparam == 0) {
      std::snprintf(text, sizeof text, "the plugin posted message 0x%X with 0x%llX", post.message,
                    static_cast<unsigned long long>(post.wparam));
      m_outcome.failure = text;
      return false;
    }
    auto* ready = reinterpret_cast<BridgeMsgDllReadyForUnload*>(post.wparam);
    if (ready->header.msgId != BRIDGE_MSG_DLL_READY_FOR_UNLOAD) {
      std::snprintf(text, sizeof text, "the plugin posted a record with id %d",
                    static_cast<int>(ready->header.msgId));
      m_outcome.failure = text;
      return false;
    }
    if (ready->threadHandle != m_threadHandle) {
      m_outcome.failure = "the plugin's DllReadyForUnload names another thread";
      return false;
    }
    m_outcome.hasResult = true;
    m_outcome.resultCode = ready->resultCode;
    if (m_library.DeleteDllMsg(&ready->header) != 1) {
      Notice("The plugin did not list its DllReadyForUnload as lent (DeleteDllMsg gave 0).");
    }
    if (m_library.PrepareForExit() != 1) {
      Notice("The plugin did not take the exit request (PrepareForExit gave 0).");
    }
    return true;
  }

  UpdateOutcome Wait() {
    const auto timeout = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(m_request.timeoutSeconds));
    const Clock::time_point deadline = m_start + timeout;
    Clock::time_point closeDeadline{};
    while (true) {
      pollfd fds[2] = {{m_window.wakeFd(), POLLIN, 0}, {m_signals.fd(), POLLIN, 0}};
      poll(fds, m_signals.fd() >= 0 ? 2 : 1, kTickMs);
      ShowLogLines(false);
      HandleSignals();

      HostWindow::Post post{};
      while (m_window.TakePost(post)) {
        if (m_outcomeIn) continue;  // a second post is ignored; the first one counts
        if (!TakeOutcome(post)) return StuckFailure(m_outcome.failure);
        m_outcomeIn = true;
        closeDeadline = std::max(deadline, Clock::now() + kCloseDownBound);
        m_display.SetActivity("closing down the plugin");
      }

      if (TryJoin()) {
        ShowLogLines(true);
        if (!m_outcomeIn) {
          return Failure(
              "the plugin's control thread ended without reporting an outcome "
              "(exit code " +
              std::to_string(m_threadExitCode) + ")");
        }
        if (m_threadExitCode != 0) {
          Notice("The plugin's control thread ended with exit code " +
                 std::to_string(m_threadExitCode) + ".");
        }
        m_outcome.elapsedSeconds = Elapsed();
        return m_outcome;
      }

      const Clock::time_point now = Clock::now();
      if (!m_outcomeIn && now >= deadline) {
        ShowLogLines(true);
        char text[96];
        std::snprintf(text, sizeof text, "the plugin reported no outcome within %g s",
                      m_request.timeoutSeconds);
        return StuckFailure(text);
      }
      if (m_outcomeIn && now >= closeDeadline) {
        ShowLogLines(true);
        return StuckFailure("the plugin's control thread did not end after the exit request");
      }
      m_display.Tick(Elapsed());
    }
  }

  const UpdateRequest& m_request;
  ProgressDisplay& m_display;
  const Clock::time_point m_start = Clock::now();
  // Made first: every thread started later inherits the blocked signals.
  InterruptSignals m_signals;
  HostWindow m_window;
  PluginLibrary m_library;
  LogFollower m_follower;
  std::vector<const uint16_t*> m_prefixItems;
  BridgeWideStringList m_prefixList{};
  pthread_t m_thread{};
  void* m_threadHandle = nullptr;
  bool m_threadRunning = false;
  long m_threadExitCode = 0;
  bool m_cancelRequested = false;
  bool m_outcomeIn = false;
  UpdateOutcome m_outcome;
};

}  // namespace

UpdateOutcome RunUpdateSession(const UpdateRequest& request, ProgressDisplay& display) {
  UpdateSession session(request, display);
  return session.Run();
}

}  // namespace bridgefw::cli
