// `bridgefw update` against plugins that misbehave or are slow (a stand-in
// plugin, tests/cli/fake_plugin.cpp): exit status 3 for a plugin that
// cannot be loaded, breaks the contract or does not answer; the name and
// exit status of every result; Ctrl-C while the plugin takes its time; the
// spinner on a terminal.
#include <gtest/gtest.h>

#include "cli_fixture.h"

namespace bridgefw::testing {
namespace {

class FakePluginTest : public CliTest {
 protected:
  std::vector<std::string> Args(const std::string& plugin = BRIDGEFW_FAKE_PLUGIN_PATH) {
    return {"update",
            "--plugin",
            plugin,
            "--log-dir",
            DataFolder(),
            "--firmware",
            WriteFile("fw.bin", NewerImage()),
            "--serial",
            "SER1",
            "--vid",
            "2B4E",
            "--pid",
            "1A2B"};
  }
  CliOptions Mode(const std::string& mode) const {
    CliOptions options = Options();
    options.env.push_back({"BRIDGEFW_FAKE_PLUGIN", mode});
    return options;
  }
};

TEST_F(FakePluginTest, APluginThatFailsTheContractEndsWith3) {
  const std::pair<const char*, const char*> cases[] = {
      {"version", "interface version 42"},
      {"no-thread", "could not start its control thread"},
      {"vanish", "ended without reporting an outcome"},
      {"wrong-message", "posted message 0x8002"},
      {"result:5", "unknown result 5"},
      {"silent", "no outcome within 1 s"},
  };
  for (const auto& [mode, message] : cases) {
    std::vector<std::string> args = Args();
    args.insert(args.end(), {"--timeout", "1"});
    const CliResult result = RunCli(args, Mode(mode));
    EXPECT_EQ(result.status, 3) << mode << "\n" << result.Transcript();
    EXPECT_NE(result.out.find(message), std::string::npos) << mode << "\n" << result.Transcript();
    EXPECT_NE(result.out.find("Plugin failure: "), std::string::npos) << result.Transcript();
  }
}

TEST_F(FakePluginTest, ALibraryThatIsNoPluginEndsWith3) {
  const std::pair<std::string, const char*> cases[] = {
      {Path("missing/libbridgefw.so"), "cannot load the plugin"},
      {BRIDGEFW_VENDOR_PATH, "is not a bridgefw plugin: it does not export StartDllControlThread"},
  };
  for (const auto& [plugin, message] : cases) {
    const CliResult result = RunCli(Args(plugin), Options());
    EXPECT_EQ(result.status, 3) << result.Transcript();
    EXPECT_NE(result.out.find(message), std::string::npos) << result.Transcript();
  }
}

// Each result's name and exit status, in text and in JSON.
TEST_F(FakePluginTest, EveryResultHasItsNameAndExitStatus) {
  struct Case {
    int result;
    const char* name;
    int exitStatus;
  };
  const Case cases[] = {{0, "no outcome", 1},      {11, "drive mismatch", 11},
                        {12, "no drive", 12},      {13, "several drives", 13},
                        {17, "update failed", 17}, {18, "updated", 0}};
  for (const Case& c : cases) {
    const CliOptions options = Mode("result:" + std::to_string(c.result));
    const CliResult text = RunCli(Args(), options);
    EXPECT_EQ(text.status, c.exitStatus) << text.Transcript();
    const std::string named =
        "Result: " + std::string(c.name) + " (" + std::to_string(c.result) + ")";
    EXPECT_NE(text.out.find(named), std::string::npos) << text.Transcript();

    std::vector<std::string> args = Args();
    args.push_back("--json");
    const CliResult json = RunCli(args, options);
    EXPECT_EQ(json.status, c.exitStatus) << json.Transcript();
    const nlohmann::json report = json.Json();
    EXPECT_EQ(report["result"], c.result);
    EXPECT_EQ(report["name"], c.name);
    EXPECT_EQ(report["exitStatus"], c.exitStatus);
    EXPECT_TRUE(report["elapsedSeconds"].is_number());
    EXPECT_EQ(report["log"], LogFile());
  }
}

// The first Ctrl-C sends DllCancel; the plugin finishes its "write" first,
// and every further Ctrl-C only says why the program still waits.
TEST_F(FakePluginTest, FurtherCtrlCsOnlyRepeatWhyItWaits) {
  CliOptions options = Mode("stubborn");
  options.interruptAfter = "Update request sent";
  options.interrupts = 3;
  const CliResult result = RunCli(Args(), options);
  ASSERT_EQ(result.status, 1) << result.Transcript();
  auto count = [&](const std::string& text) {
    size_t n = 0;
    for (size_t at = result.err.find(text); at != std::string::npos;
         at = result.err.find(text, at + 1)) {
      ++n;
    }
    return n;
  };
  EXPECT_EQ(count("fake plugin: DllCancel"), 1u) << result.Transcript();
  EXPECT_EQ(count("asked the plugin to cancel"), 1u) << result.Transcript();
  EXPECT_EQ(count("Still waiting for the plugin's orderly end"), 2u) << result.Transcript();
  EXPECT_NE(result.out.find("Result: no outcome (0)"), std::string::npos) << result.Transcript();
}

TEST_F(FakePluginTest, OnATerminalASpinnerShowsTheElapsedTime) {
  const CliResult result = RunCliOnTerminal(Args(), Mode("slow:18"));
  ASSERT_EQ(result.status, 0) << result.Transcript();
  // The status line is redrawn in place: spinner, elapsed time, activity.
  EXPECT_NE(result.out.find("\r\033[K| 0:0"), std::string::npos) << result.Transcript();
  EXPECT_NE(result.out.find("updating - do not unplug the drive"), std::string::npos)
      << result.Transcript();
  EXPECT_NE(result.out.find("Result: updated (18)"), std::string::npos) << result.Transcript();

  const CliResult plain = RunCli(Args(), Mode("slow:18"));
  ASSERT_EQ(plain.status, 0) << plain.Transcript();
  EXPECT_EQ(plain.err.find('\r'), std::string::npos) << plain.Transcript();
}

}  // namespace
}  // namespace bridgefw::testing
