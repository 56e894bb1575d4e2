// A host that loads, runs and unloads the plugin many times in one process
// is left with nothing of it: no mapping, no thread, no file descriptor
// (and, under the sanitizer builds, no memory).
#include <dirent.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "road_fixture.h"

namespace bridgefw {
namespace {

using testing::PluginHost;
using testing::RoadTest;

size_t CountEntries(const char* directory) {
  size_t count = 0;
  if (DIR* dir = opendir(directory)) {
    while (readdir(dir) != nullptr) ++count;
    closedir(dir);
  }
  return count;
}

bool PluginMapped() {
  std::ifstream maps("/proc/self/maps");
  std::string line;
  while (std::getline(maps, line)) {
    if (line.find("libbridgefw.so") != std::string::npos) return true;
  }
  return false;
}

TEST_F(RoadTest, TwoThousandRunsLeaveNothingBehind) {
  constexpr int kCycles = 2000;
  // The first cycle may load what stays for good (the C++ runtime's pieces).
  {
    PluginHost host;
    ASSERT_TRUE(host.Start());
    ASSERT_TRUE(host.SendDataInit(m_window, testing::kAppMessage));
    ASSERT_TRUE(host.SendId(BRIDGE_MSG_DLL_CANCEL));
    ASSERT_EQ(Finish(host), 0);
  }
  const size_t fds = CountEntries("/proc/self/fd");
  const size_t threads = CountEntries("/proc/self/task");
  for (int cycle = 0; cycle < kCycles; ++cycle) {
    PluginHost host;
    ASSERT_TRUE(host.Start()) << cycle;
    ASSERT_TRUE(host.SendDataInit(m_window, testing::kAppMessage));
    ASSERT_TRUE(host.SendId(BRIDGE_MSG_DLL_CANCEL));
    ASSERT_EQ(Finish(host), 0) << cycle;
    if (HasFailure()) break;
  }
  EXPECT_FALSE(PluginMapped());
  EXPECT_EQ(CountEntries("/proc/self/fd"), fds);
  EXPECT_EQ(CountEntries("/proc/self/task"), threads);
}

}  // namespace
}  // namespace bridgefw
