// One run of the plugin on emulated drives, driven through the exports.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "emulation/emulated_drive.h"
#include "emulation/emulation_folder.h"
#include "platform/environment.h"
#include "plugin_host.h"
#include "support/temp_dir.h"
#include "support/timing.h"

namespace bridgefw::testing {

constexpr uint32_t kAppMessage = 0x8001;
constexpr int kPostWaitMs = 60000;

class RoadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetEnvironmentValue("PROGRAMDATA", m_dir.Native("data").c_str());
    platform::SetEnvironmentValue("BRIDGEFW_EMULATION", m_dir.Native("emulation").c_str());
    UseDrives({});
  }
  void TearDown() override {
    platform::SetEnvironmentValue("BRIDGEFW_EMULATION", nullptr);
    platform::SetEnvironmentValue("PROGRAMDATA", nullptr);
  }

  void UseDrives(const std::vector<emulation::EmulatedDrive>& drives) {
    std::string error;
    ASSERT_TRUE(emulation::WriteEmulationFolder(m_dir.Native("emulation"), drives, &error))
        << error;
  }

  std::string Log() const {
    return ReadWholeFile(m_dir.Native("data/Zentara/logs/ZT Firmware Updater/Updater.log"));
  }

  // Starts the plugin and sends DllDataInit and DllUpdate.
  void Begin(PluginHost& host, const PluginHost::Request& request) {
    ASSERT_TRUE(host.loaded()) << dlerror();
    ASSERT_TRUE(host.Start());
    ASSERT_TRUE(host.SendDataInit(m_window, kAppMessage));
    ASSERT_TRUE(host.SendUpdate(request));
  }

  // Waits for DllReadyForUnload, checks the post and hands the record back,
  // then asks the plugin to exit and joins its thread. Returns the result
  // code, or -1 when no post came.
  int32_t Finish(PluginHost& host) {
    RecordingWindow::Post post{};
    if (!m_window.Next(post, kPostWaitMs)) {
      ADD_FAILURE() << "no DllReadyForUnload";
      return -1;
    }
    EXPECT_EQ(post.message, kAppMessage);
    EXPECT_EQ(post.lparam, 0);
    auto* ready = reinterpret_cast<BridgeMsgDllReadyForUnload*>(post.wparam);
    EXPECT_EQ(ready->header.msgId, BRIDGE_MSG_DLL_READY_FOR_UNLOAD);
    EXPECT_EQ(ready->threadHandle, host.thread());
    const int32_t result = ready->resultCode;
    EXPECT_EQ(host.AppHasReleasedAllDllMsgs(), 0);
    EXPECT_EQ(host.DeleteDllMsg(&ready->header), 1);
    EXPECT_EQ(host.AppHasReleasedAllDllMsgs(), 1);
    EXPECT_EQ(host.PrepareForExit(), 1);
    EXPECT_EQ(host.Join(), 0);
    EXPECT_FALSE(host.StillMapped()) << "the plugin's end released the host's hold";
    EXPECT_EQ(m_window.Pending(), 0u);
    return result;
  }

  int32_t Run(const PluginHost::Request& request) {
    PluginHost host;
    Begin(host, request);
    return Finish(host);
  }

  TempDir m_dir;
  RecordingWindow m_window;
};

}  // namespace bridgefw::testing
