#include "fwupd/message.h"

#include <cstdlib>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "diag/application_log.h"
#include "diag/wformat.h"
#include "fwupd/messages.h"
#include "platform/fault.h"
#include "platform/thread.h"

namespace bridgefw {
namespace {

constexpr const WChar* kCatalogueNames[kMsgLastId + 1] = {u"Invalid",
                                                          u"StateEnter",
                                                          u"StateStart",
                                                          u"StateExit",
                                                          u"DelayStart",
                                                          u"FirmwareUpdateTimeout",
                                                          u"BarProgressTimeout",
                                                          u"Timeout3",
                                                          u"Timeout4",
                                                          u"DllDataInit",
                                                          u"DllUpdate",
                                                          u"DllCancel",
                                                          u"DllExit",
                                                          u"DllReadyForUnload",
                                                          u"DlgChangePanel",
                                                          u"AppBtnAccept",
                                                          u"AppBtnContinue",
                                                          u"AppBtnErase",
                                                          u"AppBtnExit",
                                                          u"AppBtnInfo",
                                                          u"AppBtnMaximize",
                                                          u"AppBtnMinimize",
                                                          u"AppBtnOkay",
                                                          u"AppBtnRescan",
                                                          u"AppBtnUnlock",
                                                          u"AppBtnUpdate",
                                                          u"AppCbHint",
                                                          u"AppCbUnderstand",
                                                          u"AppHypAbout",
                                                          u"AppHypEULA",
                                                          u"AppHypPolicy",
                                                          u"AppHypSupport",
                                                          u"AppCancel",
                                                          u"AppOK",
                                                          u"AppDriveUnlocked",
                                                          u"AppDriveLockedOut",
                                                          u"AppUiException"};

bool InCatalogue(int32_t id) {
  return id >= 1 && id <= kMsgLastId;
}

// Records that are new on every request but persistent (DelayStart and
// DllExit): the framework never releases them, so the factory keeps them
// and frees them when the library is unloaded, instead of losing them.
class PersistentRecords {
 public:
  void Keep(CZtFwUpdMsg* msg) {
    std::lock_guard<std::mutex> hold(m_lock);
    m_records.emplace_back(msg);
  }

 private:
  std::mutex m_lock;
  std::vector<std::unique_ptr<CZtFwUpdMsg>> m_records;
};

PersistentRecords& ThePersistentRecords() {
  static PersistentRecords records;
  return records;
}

// The shared records of the ids without payload, built together on first
// use (the controller's construction at library load is the first user)
// and torn down at unload, after the controller.
class Singletons {
 public:
  Singletons() {
    // Built with the singletons, so that it outlives every user of the
    // records it keeps (the controller's queue among them).
    ThePersistentRecords();
    Fill(std::make_integer_sequence<int32_t, kMsgLastId + 1>{});
  }
  CZtFwUpdMsg* Get(int32_t id) const { return m_table[id]; }

 private:
  template <int32_t... Ids>
  void Fill(std::integer_sequence<int32_t, Ids...>) {
    (Add<Ids>(), ...);
  }
  template <int32_t Id>
  void Add() {
    if constexpr (Id == kMsgDelayStart || Id == kMsgDllDataInit || Id == kMsgDllUpdate ||
                  Id == kMsgDllExit || Id == kMsgDllReadyForUnload || Id == kMsgDlgChangePanel) {
      m_table[Id] = nullptr;
    } else {
      // The update timer's record names itself differently from the catalogue.
      const WChar* name = Id == kMsgFirmwareUpdateTimeout ? u"UpdateTimeout" : kCatalogueNames[Id];
      static CFwMsgSimple<Id> record(name, Id == kMsgDllCancel);
      m_table[Id] = &record;
    }
  }

  CZtFwUpdMsg* m_table[kMsgLastId + 1] = {};
};

const Singletons& TheSingletons() {
  static const Singletons singletons;
  return singletons;
}

CZtFwUpdMsg* NewRecord(int32_t id) {
  switch (id) {
    case kMsgDelayStart:
      return new CFwMsgDelayStart;
    case kMsgDllDataInit:
      return new CFwMsgDllDataInit;
    case kMsgDllUpdate:
      return new CFwMsgDllUpdate;
    case kMsgDllExit:
      return new CFwMsgDllExit;
    case kMsgDllReadyForUnload:
      return new CFwMsgDllReadyForUnload;
    case kMsgDlgChangePanel:
      return new CFwMsgDlgChangePanel;
    default:
      return nullptr;
  }
}

}  // namespace

CZtFwUpdMsg::CZtFwUpdMsg(int32_t id, const WChar* name, bool persistent, bool dllMsg)
    : msgId(id),
      msgName(name),
      isPersistent(persistent ? 1 : 0),
      isDllMsg(dllMsg ? 1 : 0),
      isRetained(0) {}

void* CZtFwUpdMsg::operator new(std::size_t size) {
  if (platform::ShouldFail(platform::FaultSite::kAllocMessage)) throw std::bad_alloc();
  return ::operator new(size);
}

void CZtFwUpdMsg::operator delete(void* memory) noexcept {
  ::operator delete(memory);
}

CFwMsgDelayStart::CFwMsgDelayStart()
    : CZtFwUpdMsg(kMsgDelayStart, kCatalogueNames[kMsgDelayStart], true, false), delayValue(0) {}

CFwMsgDllDataInit::CFwMsgDllDataInit()
    : CZtFwUpdMsg(kMsgDllDataInit, kCatalogueNames[kMsgDllDataInit], false, true),
      appMessage(0),
      initWord1(0),
      appWindow(nullptr),
      initWord2(0),
      pluginModule(nullptr) {}

// NOLINTNEXTLINE(cppcoreguidelines-pro-type-member-init): the host fills the payload.
CFwMsgDllUpdate::CFwMsgDllUpdate()
    : CZtFwUpdMsg(kMsgDllUpdate, kCatalogueNames[kMsgDllUpdate], false, true) {}

CFwMsgDllExit::CFwMsgDllExit()
    : CZtFwUpdMsg(kMsgDllExit, kCatalogueNames[kMsgDllExit], true, true) {}

CFwMsgDllReadyForUnload::CFwMsgDllReadyForUnload()
    : CZtFwUpdMsg(kMsgDllReadyForUnload, kCatalogueNames[kMsgDllReadyForUnload], false, true),
      threadHandle(platform::CurrentThreadHostValue()),
      resultCode(0) {}

CFwMsgDlgChangePanel::CFwMsgDlgChangePanel()
    : CZtFwUpdMsg(kMsgDlgChangePanel, kCatalogueNames[kMsgDlgChangePanel], false, false),
      panelParam1(0),
      panelParam2(0) {}

const WChar* MsgNameFromId(int32_t id) {
  return InCatalogue(id) ? kCatalogueNames[id] : kCatalogueNames[kMsgInvalid];
}

CZtFwUpdMsg* CreateMsgFromId(int32_t id) {
  if (!InCatalogue(id)) return TheSingletons().Get(kMsgInvalid);
  if (CZtFwUpdMsg* shared = TheSingletons().Get(id)) return shared;
  try {
    CZtFwUpdMsg* msg = NewRecord(id);
    if (msg->isPersistent != 0) ThePersistentRecords().Keep(msg);
    return msg;
  } catch (const std::bad_alloc& failure) {
    ApplicationLog::Write(WFormat(
        u"*** SW_ERROR *** CZtFwUpdMsg::CreateMsgFromId(%d):%s threw a bad_alloc exception - %s\n",
        id, MsgNameFromId(id), WidenUtf8(failure.what())));
    return nullptr;
  }
}

}  // namespace bridgefw
