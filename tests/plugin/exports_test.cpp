// The exports as a host sees them, before and without a run.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

#include "plugin_host.h"

namespace bridgefw {
namespace {

using testing::PluginHost;

TEST(Exports, ExactlyTheSevenFunctionsAreExported) {
  const std::string command = std::string("nm -D --defined-only ") + BRIDGEFW_PLUGIN_PATH;
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::set<std::string> names;
  char line[512];
  while (std::fgets(line, sizeof line, pipe) != nullptr) {
    char type = 0;
    char name[400] = {};
    // "<address> <type> <name>"
    if (std::sscanf(line, "%*s %c %399s", &type, name) == 2 && type == 'T') names.insert(name);
  }
  ASSERT_EQ(pclose(pipe), 0);
  EXPECT_EQ(names, (std::set<std::string>{"StartDllControlThread", "GetFwUpdDllVersion",
                                          "AllocFwUpdDllMsg", "SendFwUpdDllMsg", "DeleteDllMsg",
                                          "PrepareForExit", "AppHasReleasedAllDllMsgs"}));
}

class ExportsBeforeStart : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m_host.loaded()) << dlerror(); }
  void TearDown() override { m_host.Unload(); }
  PluginHost m_host;
};

TEST_F(ExportsBeforeStart, VersionNeedsNoThread) {
  EXPECT_EQ(m_host.GetFwUpdDllVersion(), 243);
}

TEST_F(ExportsBeforeStart, SingletonsAndTheInvalidRecord) {
  BridgeMsgHeader* invalid = m_host.AllocFwUpdDllMsg(0);
  ASSERT_NE(invalid, nullptr);
  EXPECT_EQ(invalid->msgId, 0);
  EXPECT_EQ(m_host.AllocFwUpdDllMsg(37), invalid);
  EXPECT_EQ(m_host.AllocFwUpdDllMsg(-5), invalid);
  BridgeMsgHeader* accept = m_host.AllocFwUpdDllMsg(15);
  EXPECT_EQ(m_host.AllocFwUpdDllMsg(15), accept);
  EXPECT_EQ(accept->isPersistent, 1);
  // Handing back a singleton is accepted and leaves it usable.
  EXPECT_EQ(m_host.DeleteDllMsg(accept), 1);
  EXPECT_EQ(m_host.AllocFwUpdDllMsg(15)->msgId, 15);
  EXPECT_EQ(m_host.AppHasReleasedAllDllMsgs(), 1);
}

TEST_F(ExportsBeforeStart, LentRecordsAreTrackedUntilHandedBack) {
  BridgeMsgHeader* first = m_host.AllocFwUpdDllMsg(BRIDGE_MSG_DLL_DATA_INIT);
  BridgeMsgHeader* second = m_host.AllocFwUpdDllMsg(BRIDGE_MSG_DLL_DATA_INIT);
  ASSERT_NE(first, nullptr);
  EXPECT_NE(first, second);
  EXPECT_EQ(first->isDllMsg, 1);
  EXPECT_EQ(m_host.AppHasReleasedAllDllMsgs(), 0);
  EXPECT_EQ(m_host.DeleteDllMsg(first), 1);
  EXPECT_EQ(m_host.AppHasReleasedAllDllMsgs(), 0);
  EXPECT_EQ(m_host.DeleteDllMsg(second), 1);
  EXPECT_EQ(m_host.AppHasReleasedAllDllMsgs(), 1);
}

TEST_F(ExportsBeforeStart, WhatTheHostMayNotHandBack) {
  EXPECT_EQ(m_host.DeleteDllMsg(nullptr), 0);
  EXPECT_EQ(m_host.SendFwUpdDllMsg(BRIDGE_PRIORITY_HIGH, nullptr), 0);
  // DlgChangePanel is no DLL message: refused and left alone. Sent instead,
  // it belongs to the plugin, which deletes it when it is done.
  BridgeMsgHeader* panel = m_host.AllocFwUpdDllMsg(BRIDGE_MSG_DLG_CHANGE_PANEL);
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(m_host.DeleteDllMsg(panel), 0);
  EXPECT_EQ(panel->msgId, BRIDGE_MSG_DLG_CHANGE_PANEL);
  EXPECT_EQ(m_host.SendFwUpdDllMsg(BRIDGE_PRIORITY_NORMAL, panel), 1);
}

}  // namespace
}  // namespace bridgefw
