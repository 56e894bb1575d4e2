// The record classes with payload. The payload fields sit at the offsets of
// the C structures in include/bridgefw/host_api.h (checked by the tests).
#pragma once

#include <cstdint>

#include "fwupd/message.h"

namespace bridgefw {

constexpr int32_t kMsgInvalid = 0;
constexpr int32_t kMsgStateEnter = 1;
constexpr int32_t kMsgStateStart = 2;
constexpr int32_t kMsgStateExit = 3;
constexpr int32_t kMsgDelayStart = 4;
constexpr int32_t kMsgFirmwareUpdateTimeout = 5;
constexpr int32_t kMsgTimeout4 = 8;
constexpr int32_t kMsgDllDataInit = 9;
constexpr int32_t kMsgDllUpdate = 10;
constexpr int32_t kMsgDllCancel = 11;
constexpr int32_t kMsgDllExit = 12;
constexpr int32_t kMsgDllReadyForUnload = 13;
constexpr int32_t kMsgDlgChangePanel = 14;
constexpr int32_t kMsgAppBtnRescan = 23;
constexpr int32_t kMsgLastId = 36;

// The record class of one id without payload; DllExit has its own class
// below because it is new on every request.
template <int32_t Id>
class CFwMsgSimple final : public CZtFwUpdMsg {
 public:
  CFwMsgSimple(const WChar* name, bool dllMsg) : CZtFwUpdMsg(Id, name, true, dllMsg) {}
  const char* GetRuntimeClassName() const override { return "CFwMsgSimple"; }
};

using CFwMsgInvalid = CFwMsgSimple<0>;
using CFwMsgStateEnter = CFwMsgSimple<1>;
using CFwMsgStateStart = CFwMsgSimple<2>;
using CFwMsgStateExit = CFwMsgSimple<3>;
using CFwMsgFirmwareUpdateTimeout = CFwMsgSimple<5>;
using CFwMsgBarProgressTimeout = CFwMsgSimple<6>;
using CFwMsgTimeout3 = CFwMsgSimple<7>;
using CFwMsgTimeout4 = CFwMsgSimple<8>;
using CFwMsgDllCancel = CFwMsgSimple<11>;
using CFwMsgAppBtnAccept = CFwMsgSimple<15>;
using CFwMsgAppBtnContinue = CFwMsgSimple<16>;
using CFwMsgAppBtnErase = CFwMsgSimple<17>;
using CFwMsgAppBtnExit = CFwMsgSimple<18>;
using CFwMsgAppBtnInfo = CFwMsgSimple<19>;
using CFwMsgAppBtnMaximize = CFwMsgSimple<20>;
using CFwMsgAppBtnMinimize = CFwMsgSimple<21>;
using CFwMsgAppBtnOkay = CFwMsgSimple<22>;
using CFwMsgAppBtnRescan = CFwMsgSimple<23>;
using CFwMsgAppBtnUnlock = CFwMsgSimple<24>;
using CFwMsgAppBtnUpdate = CFwMsgSimple<25>;
using CFwMsgAppCbHint = CFwMsgSimple<26>;
using CFwMsgAppCbUnderstand = CFwMsgSimple<27>;
using CFwMsgAppHypAbout = CFwMsgSimple<28>;
using CFwMsgAppHypEULA = CFwMsgSimple<29>;
using CFwMsgAppHypPolicy = CFwMsgSimple<30>;
using CFwMsgAppHypSupport = CFwMsgSimple<31>;
using CFwMsgAppCancel = CFwMsgSimple<32>;
using CFwMsgAppOK = CFwMsgSimple<33>;
using CFwMsgAppDriveUnlocked = CFwMsgSimple<34>;
using CFwMsgAppDriveLockedOut = CFwMsgSimple<35>;
using CFwMsgAppUiException = CFwMsgSimple<36>;

class CFwMsgDllExit final : public CZtFwUpdMsg {
 public:
  CFwMsgDllExit();
};

class CFwMsgDelayStart final : public CZtFwUpdMsg {
 public:
  CFwMsgDelayStart();
  uint32_t delayValue;
};

class CFwMsgDllDataInit final : public CZtFwUpdMsg {
 public:
  CFwMsgDllDataInit();
  uint32_t appMessage;
  uint32_t initWord1;
  void* appWindow;
  uint32_t initWord2;
  void* pluginModule;
};

class CFwMsgDllUpdate final : public CZtFwUpdMsg {
 public:
  static constexpr size_t kSerialNumberUnits = 32;
  static constexpr size_t kFirmwarePathUnits = 2052;
  // The payload is left as allocated: the host fills it.
  CFwMsgDllUpdate();
  uint8_t unused[2048];
  WChar serialNumber[kSerialNumberUnits];
  uint32_t productId;
  uint32_t vendorId;
  uint32_t updateWord;
  const void* deviceIdPrefixes;  // const BridgeWideStringList*
  WChar firmwarePath[kFirmwarePathUnits];
};

class CFwMsgDllReadyForUnload final : public CZtFwUpdMsg {
 public:
  // Records the calling thread as `threadHandle`.
  CFwMsgDllReadyForUnload();
  void* threadHandle;
  int32_t resultCode;
};

class CFwMsgDlgChangePanel final : public CZtFwUpdMsg {
 public:
  CFwMsgDlgChangePanel();
  uint32_t panelParam1;
  uint32_t panelParam2;
};

}  // namespace bridgefw
