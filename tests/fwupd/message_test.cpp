#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "bridgefw/host_api.h"
#include "diag/application_log.h"
#include "diag/program_exception.h"
#include "fwupd/messages.h"
#include "platform/fault.h"
#include "platform/thread.h"
#include "support/temp_dir.h"

extern "C" size_t bridge_c_sizeof_update(void);
extern "C" size_t bridge_c_offsetof_update_path(void);
extern "C" size_t bridge_c_offsetof_unload_result(void);

namespace bridgefw {
namespace {

struct CatalogueRow {
  int32_t id;
  const char16_t* name;
  bool shared;
  uint8_t persistent;
  uint8_t dll;
  size_t size;
};

// The catalogue as the host sees it.
const CatalogueRow kCatalogue[] = {
    {0, u"Invalid", true, 1, 0, sizeof(BridgeMsgHeader)},
    {1, u"StateEnter", true, 1, 0, sizeof(BridgeMsgHeader)},
    {2, u"StateStart", true, 1, 0, sizeof(BridgeMsgHeader)},
    {3, u"StateExit", true, 1, 0, sizeof(BridgeMsgHeader)},
    {4, u"DelayStart", false, 1, 0, sizeof(BridgeMsgDelayStart)},
    {5, u"FirmwareUpdateTimeout", true, 1, 0, sizeof(BridgeMsgHeader)},
    {6, u"BarProgressTimeout", true, 1, 0, sizeof(BridgeMsgHeader)},
    {7, u"Timeout3", true, 1, 0, sizeof(BridgeMsgHeader)},
    {8, u"Timeout4", true, 1, 0, sizeof(BridgeMsgHeader)},
    {9, u"DllDataInit", false, 0, 1, sizeof(BridgeMsgDllDataInit)},
    {10, u"DllUpdate", false, 0, 1, sizeof(BridgeMsgDllUpdate)},
    {11, u"DllCancel", true, 1, 1, sizeof(BridgeMsgHeader)},
    {12, u"DllExit", false, 1, 1, sizeof(BridgeMsgHeader)},
    {13, u"DllReadyForUnload", false, 0, 1, sizeof(BridgeMsgDllReadyForUnload)},
    {14, u"DlgChangePanel", false, 0, 0, sizeof(BridgeMsgDlgChangePanel)},
    {15, u"AppBtnAccept", true, 1, 0, sizeof(BridgeMsgHeader)},
    {16, u"AppBtnContinue", true, 1, 0, sizeof(BridgeMsgHeader)},
    {17, u"AppBtnErase", true, 1, 0, sizeof(BridgeMsgHeader)},
    {18, u"AppBtnExit", true, 1, 0, sizeof(BridgeMsgHeader)},
    {19, u"AppBtnInfo", true, 1, 0, sizeof(BridgeMsgHeader)},
    {20, u"AppBtnMaximize", true, 1, 0, sizeof(BridgeMsgHeader)},
    {21, u"AppBtnMinimize", true, 1, 0, sizeof(BridgeMsgHeader)},
    {22, u"AppBtnOkay", true, 1, 0, sizeof(BridgeMsgHeader)},
    {23, u"AppBtnRescan", true, 1, 0, sizeof(BridgeMsgHeader)},
    {24, u"AppBtnUnlock", true, 1, 0, sizeof(BridgeMsgHeader)},
    {25, u"AppBtnUpdate", true, 1, 0, sizeof(BridgeMsgHeader)},
    {26, u"AppCbHint", true, 1, 0, sizeof(BridgeMsgHeader)},
    {27, u"AppCbUnderstand", true, 1, 0, sizeof(BridgeMsgHeader)},
    {28, u"AppHypAbout", true, 1, 0, sizeof(BridgeMsgHeader)},
    {29, u"AppHypEULA", true, 1, 0, sizeof(BridgeMsgHeader)},
    {30, u"AppHypPolicy", true, 1, 0, sizeof(BridgeMsgHeader)},
    {31, u"AppHypSupport", true, 1, 0, sizeof(BridgeMsgHeader)},
    {32, u"AppCancel", true, 1, 0, sizeof(BridgeMsgHeader)},
    {33, u"AppOK", true, 1, 0, sizeof(BridgeMsgHeader)},
    {34, u"AppDriveUnlocked", true, 1, 0, sizeof(BridgeMsgHeader)},
    {35, u"AppDriveLockedOut", true, 1, 0, sizeof(BridgeMsgHeader)},
    {36, u"AppUiException", true, 1, 0, sizeof(BridgeMsgHeader)},
};

std::u16string Str(const char16_t* text) {
  return text == nullptr ? u"<null>" : text;
}

TEST(MessageCatalogue, EveryIdHasItsHeaderAndSharingRule) {
  ASSERT_EQ(std::size(kCatalogue), static_cast<size_t>(BRIDGE_MSG_ID_COUNT));
  for (const auto& row : kCatalogue) {
    SCOPED_TRACE(row.id);
    CZtFwUpdMsg* first = CreateMsgFromId(row.id);
    CZtFwUpdMsg* second = CreateMsgFromId(row.id);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(first == second, row.shared);
    EXPECT_EQ(first->msgId, row.id);
    EXPECT_EQ(first->GetMsgId(), row.id);
    EXPECT_EQ(Str(MsgNameFromId(row.id)), Str(row.name));
    // The update timer's record names itself "UpdateTimeout".
    EXPECT_EQ(Str(first->msgName), row.id == 5 ? std::u16string(u"UpdateTimeout") : Str(row.name));
    EXPECT_EQ(first->isPersistent, row.persistent);
    EXPECT_EQ(first->isDllMsg, row.dll);
    EXPECT_EQ(first->isRetained, 0);
    // New persistent records stay with the factory until unload.
    if (!row.shared && row.persistent == 0) {
      delete first;
      delete second;
    }
  }
}

TEST(MessageCatalogue, IdsOutsideTheCatalogueGiveTheInvalidSingleton) {
  CZtFwUpdMsg* invalid = CreateMsgFromId(0);
  for (int32_t id : {37, -1, 100, INT_MIN, INT_MAX}) {
    SCOPED_TRACE(id);
    EXPECT_EQ(CreateMsgFromId(id), invalid);
    EXPECT_EQ(Str(MsgNameFromId(id)), u"Invalid");
  }
  EXPECT_EQ(invalid->msgId, 0);
}

TEST(MessageCatalogue, NewRecordsStartWithTheirFixedPayload) {
  auto* init = static_cast<CFwMsgDllDataInit*>(CreateMsgFromId(9));
  EXPECT_EQ(init->appMessage, 0u);
  EXPECT_EQ(init->initWord1, 0u);
  EXPECT_EQ(init->appWindow, nullptr);
  EXPECT_EQ(init->initWord2, 0u);
  EXPECT_EQ(init->pluginModule, nullptr);
  delete init;

  auto* delay = static_cast<CFwMsgDelayStart*>(CreateMsgFromId(4));
  EXPECT_EQ(delay->delayValue, 0u);

  auto* panel = static_cast<CFwMsgDlgChangePanel*>(CreateMsgFromId(14));
  EXPECT_EQ(panel->panelParam1, 0u);
  EXPECT_EQ(panel->panelParam2, 0u);
  delete panel;

  auto* ready = static_cast<CFwMsgDllReadyForUnload*>(CreateMsgFromId(13));
  EXPECT_EQ(ready->threadHandle, platform::CurrentThreadHostValue());
  EXPECT_EQ(ready->resultCode, 0);
  delete ready;
}

// Offset of a member of a record, measured on a live object.
template <typename Record, typename Field>
size_t OffsetIn(const Record& record, const Field& field) {
  return static_cast<size_t>(reinterpret_cast<const char*>(&field) -
                             reinterpret_cast<const char*>(&record));
}

TEST(MessageLayout, RecordsMatchTheHostHeader) {
  CFwMsgDllDataInit init;
  EXPECT_EQ(sizeof(CFwMsgDllDataInit), sizeof(BridgeMsgDllDataInit));
  EXPECT_EQ(OffsetIn(init, init.msgId), offsetof(BridgeMsgHeader, msgId));
  EXPECT_EQ(OffsetIn(init, init.msgName), offsetof(BridgeMsgHeader, msgName));
  EXPECT_EQ(OffsetIn(init, init.isPersistent), offsetof(BridgeMsgHeader, isPersistent));
  EXPECT_EQ(OffsetIn(init, init.isDllMsg), offsetof(BridgeMsgHeader, isDllMsg));
  EXPECT_EQ(OffsetIn(init, init.isRetained), offsetof(BridgeMsgHeader, isRetained));
  EXPECT_EQ(OffsetIn(init, init.appMessage), offsetof(BridgeMsgDllDataInit, appMessage));
  EXPECT_EQ(OffsetIn(init, init.initWord1), offsetof(BridgeMsgDllDataInit, initWord1));
  EXPECT_EQ(OffsetIn(init, init.appWindow), offsetof(BridgeMsgDllDataInit, appWindow));
  EXPECT_EQ(OffsetIn(init, init.initWord2), offsetof(BridgeMsgDllDataInit, initWord2));
  EXPECT_EQ(OffsetIn(init, init.pluginModule), offsetof(BridgeMsgDllDataInit, pluginModule));

  auto* update = static_cast<CFwMsgDllUpdate*>(CreateMsgFromId(10));
  EXPECT_EQ(sizeof(CFwMsgDllUpdate), sizeof(BridgeMsgDllUpdate));
  EXPECT_EQ(OffsetIn(*update, update->unused), offsetof(BridgeMsgDllUpdate, unused));
  EXPECT_EQ(OffsetIn(*update, update->serialNumber), offsetof(BridgeMsgDllUpdate, serialNumber));
  EXPECT_EQ(OffsetIn(*update, update->productId), offsetof(BridgeMsgDllUpdate, productId));
  EXPECT_EQ(OffsetIn(*update, update->vendorId), offsetof(BridgeMsgDllUpdate, vendorId));
  EXPECT_EQ(OffsetIn(*update, update->updateWord), offsetof(BridgeMsgDllUpdate, updateWord));
  EXPECT_EQ(OffsetIn(*update, update->deviceIdPrefixes),
            offsetof(BridgeMsgDllUpdate, deviceIdPrefixes));
  EXPECT_EQ(OffsetIn(*update, update->firmwarePath), offsetof(BridgeMsgDllUpdate, firmwarePath));
  delete update;

  CFwMsgDllReadyForUnload ready;
  EXPECT_EQ(sizeof(CFwMsgDllReadyForUnload), sizeof(BridgeMsgDllReadyForUnload));
  EXPECT_EQ(OffsetIn(ready, ready.threadHandle),
            offsetof(BridgeMsgDllReadyForUnload, threadHandle));
  EXPECT_EQ(OffsetIn(ready, ready.resultCode), offsetof(BridgeMsgDllReadyForUnload, resultCode));

  CFwMsgDelayStart delay;
  EXPECT_EQ(OffsetIn(delay, delay.delayValue), offsetof(BridgeMsgDelayStart, delayValue));
  CFwMsgDlgChangePanel panel;
  EXPECT_EQ(OffsetIn(panel, panel.panelParam1), offsetof(BridgeMsgDlgChangePanel, panelParam1));
  EXPECT_EQ(OffsetIn(panel, panel.panelParam2), offsetof(BridgeMsgDlgChangePanel, panelParam2));

  // The C compiler sees the same records.
  EXPECT_EQ(bridge_c_sizeof_update(), sizeof(CFwMsgDllUpdate));
  EXPECT_EQ(bridge_c_offsetof_update_path(), OffsetIn(*update, update->firmwarePath));
  EXPECT_EQ(bridge_c_offsetof_unload_result(), OffsetIn(ready, ready.resultCode));
}

TEST(MessageLayout, HostReadsTheRecordThroughTheCHeader) {
  auto* ready = static_cast<CFwMsgDllReadyForUnload*>(CreateMsgFromId(13));
  ready->resultCode = 18;
  const auto* seen = reinterpret_cast<const BridgeMsgDllReadyForUnload*>(ready);
  EXPECT_EQ(seen->header.msgId, 13);
  EXPECT_EQ(seen->resultCode, 18);
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(seen->header.msgName)),
            u"DllReadyForUnload");
  delete ready;
}

class MessageAllocationFailure : public ::testing::Test {
 protected:
  void TearDown() override {
    platform::DisarmAllFaults();
    ApplicationLog::DestroyInstance();
  }
  testing::TempDir m_dir;
};

TEST_F(MessageAllocationFailure, GivesNullAndReportsInTheLog) {
  ApplicationLog::CreateInstance(m_dir.Core("logs"), u"Updater.log");
  platform::ArmFault(platform::FaultSite::kAllocMessage, 1, false);
  EXPECT_EQ(CreateMsgFromId(10), nullptr);
  const std::string log = testing::ReadWholeFile(m_dir.Native("logs/Updater.log"));
  const std::string expected =
      "> *** SW_ERROR *** CZtFwUpdMsg::CreateMsgFromId(10):DllUpdate threw a bad_alloc "
      "exception - std::bad_alloc\r\n\r\n";
  ASSERT_GE(log.size(), expected.size());
  EXPECT_EQ(log.substr(log.size() - expected.size()), expected);
  // The fault was for one call only.
  CZtFwUpdMsg* next = CreateMsgFromId(10);
  ASSERT_NE(next, nullptr);
  delete next;
}

TEST_F(MessageAllocationFailure, WithoutALogRaisesTheMissingInstanceReport) {
  platform::ArmFault(platform::FaultSite::kAllocMessage, 1, false);
  try {
    CreateMsgFromId(9);
    FAIL() << "no report raised";
  } catch (const ProgramException& report) {
    EXPECT_EQ(report.GetText(), u"ApplicationLog::Instance:CreateInstance must be called first.");
  }
}

TEST_F(MessageAllocationFailure, SingletonsNeedNoAllocation) {
  platform::ArmFault(platform::FaultSite::kAllocMessage, 1, true);
  EXPECT_NE(CreateMsgFromId(23), nullptr);
  EXPECT_NE(CreateMsgFromId(11), nullptr);
}

}  // namespace
}  // namespace bridgefw
