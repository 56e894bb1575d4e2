// The seven functions through which the host drives the plugin. None lets
// an exception escape.
#include "bridgefw/host_api.h"
#include "fwupd/messages.h"
#include "platform/thread.h"
#include "plugin/plugin.h"

namespace bridgefw {
namespace {

uint32_t ControlThreadProc(void*) {
  TheController().Run();
}

CZtFwUpdMsg* AsRecord(BridgeMsgHeader* msg) {
  return reinterpret_cast<CZtFwUpdMsg*>(msg);
}

}  // namespace
}  // namespace bridgefw

using bridgefw::AsRecord;
using bridgefw::CZtFwUpdMsg;
using bridgefw::ExportCall;
using bridgefw::TheController;

extern "C" {

// The control thread's host value (POSIX: its pthread_t, to be joined by the
// host), or null when the thread cannot be created.
void* StartDllControlThread(void) {
  ExportCall inside;
  try {
    namespace platform = bridgefw::platform;
    platform::ThreadObject* thread =
        platform::CreateSuspendedThread(&bridgefw::ControlThreadProc, nullptr);
    if (thread == nullptr) return nullptr;
    platform::ResumeThread(thread);
    return platform::HandThreadToHost(thread);
  } catch (...) {
    return nullptr;
  }
}

int32_t GetFwUpdDllVersion(void) {
  return BRIDGEFW_INTERFACE_VERSION;
}

BridgeMsgHeader* AllocFwUpdDllMsg(int32_t msgId) {
  ExportCall inside;
  try {
    CZtFwUpdMsg* msg = bridgefw::CreateMsgFromId(msgId);
    if (msg == nullptr) return nullptr;
    if (msg->isPersistent == 0 && msg->isDllMsg == 1) TheController().AddLentMsg(msg);
    return reinterpret_cast<BridgeMsgHeader*>(msg);
  } catch (...) {
    return nullptr;
  }
}

int32_t SendFwUpdDllMsg(int32_t priority, BridgeMsgHeader* msg) {
  ExportCall inside;
  if (msg == nullptr) return 0;
  try {
    auto& queue = TheController().queue();
    const bool queued = priority == BRIDGE_PRIORITY_HIGH
                            ? queue.AddMsgHighPriority(AsRecord(msg))
                            : queue.AddMsgNormalPriority(AsRecord(msg));
    return queued ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

int32_t DeleteDllMsg(BridgeMsgHeader* msg) {
  ExportCall inside;
  if (msg == nullptr) return 0;
  try {
    CZtFwUpdMsg* record = AsRecord(msg);
    if (record->isPersistent != 0) return 1;
    if (record->isDllMsg == 0) return 0;
    const bool listed = TheController().RemoveLentMsg(record);
    delete record;
    return listed ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

int32_t PrepareForExit(void) {
  ExportCall inside;
  try {
    CZtFwUpdMsg* exit = bridgefw::CreateMsgFromId(bridgefw::kMsgDllExit);
    if (exit == nullptr) return 0;
    TheController().queue().AddMsgNormalPriority(exit);
    return 1;
  } catch (...) {
    return 0;
  }
}

int32_t AppHasReleasedAllDllMsgs(void) {
  ExportCall inside;
  try {
    return TheController().AllLentMsgsReleased() ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

}  // extern "C"
