// `bridgefw update` with the real plugin on emulated drives: every outcome
// the plugin can report, its exit status, its report (text or JSON), the
// plugin's log followed while it runs, and what ends up in the flash.
// Each run takes 4 to 9 s: the plugin's scan waits 1 s and its close-down
// 3 s.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "cli_fixture.h"

namespace bridgefw::testing {
namespace {

class UpdateTest;

struct Road {
  const char* name;
  // Prepares the test's folder; returns the arguments after
  // "update --log-dir DIR".
  std::function<std::vector<std::string>(UpdateTest&)> setup;
  int exitStatus;
  int result;
  const char* resultName;
  const char* logLine;  // expected among the log lines shown while it runs
  bool json;
};

void PrintTo(const Road& road, std::ostream* out) {
  *out << road.name;
}

class UpdateRunTest : public CliTest {
 public:
  std::vector<std::string> Request(const std::string& serial, const std::string& firmware) {
    return {"--firmware", firmware, "--serial", serial, "--vid", "2B4E", "--pid", "1A2B"};
  }
  std::string NewerFile() { return WriteFile("newer.bin", NewerImage()); }
  std::string WrongModelFile() {
    return WriteFile("wrong.bin", ImageWith(kFirmwareModelOffset, "999x"));
  }

  CliOptions RunOptions() const {
    CliOptions options = Options();
    options.env.push_back({"BRIDGEFW_EMULATION", Path("emulation")});
    return options;
  }
};

class UpdateTest : public UpdateRunTest, public ::testing::WithParamInterface<Road> {};

std::vector<Road> Roads() {
  return {
      {"Updated",
       [](UpdateTest& t) {
         t.Emulation({"SER1"});
         return t.Request("SER1", t.NewerFile());
       },
       0, 18, "updated", "BrStScanDrives - VID:2B4E  PID:1A2B", true},
      {"NoDrive",
       [](UpdateTest& t) {
         t.Emulation({});
         return t.Request("SER1", t.NewerFile());
       },
       12, 12, "no drive", "No Drive. VID:2B4E  PID:1A2B", false},
      {"SeveralDrives",
       [](UpdateTest& t) {
         t.Emulation({"SER1", "SER2"});
         return t.Request("SER1", t.NewerFile());
       },
       13, 13, "several drives", "Multiple Drives Detected", true},
      {"DriveMismatch",
       [](UpdateTest& t) {
         t.Emulation({"SER1"});
         return t.Request("SER9", t.NewerFile());
       },
       11, 11, "drive mismatch", "Drive Mismatch from Scan", false},
      {"UpdateFailed",
       [](UpdateTest& t) {
         t.Emulation({"SER1"});
         std::vector<std::string> args = t.Request("SER1", t.WrongModelFile());
         args.push_back("--force");
         return args;
       },
       17, 17, "update failed", "Failed Upgrade, m_upgradeCounter:4", true},
      {"NoOutcomeWithoutVendorLibrary",
       [](UpdateTest& t) {
         t.Emulation({"SER1"});
         // A plugin with no vendor library beside it cannot bind one.
         std::string error;
         EXPECT_TRUE(cli::MakeDirectories(t.Path("lonely"), error)) << error;
         std::filesystem::copy_file(BRIDGEFW_PLUGIN_PATH, t.Path("lonely/libbridgefw.so"));
         std::vector<std::string> args = t.Request("SER1", t.NewerFile());
         args.insert(args.end(), {"--plugin", t.Path("lonely/libbridgefw.so")});
         return args;
       },
       1, 0, "no outcome", "BrStScanDrives - VID:2B4E  PID:1A2B", false},
  };
}

TEST_P(UpdateTest, EndsWithTheResultsExitStatusAndReport) {
  const Road& road = GetParam();
  std::vector<std::string> args = {"update", "--log-dir", DataFolder()};
  const std::vector<std::string> request = road.setup(*this);
  args.insert(args.end(), request.begin(), request.end());
  if (road.json) args.push_back("--json");
  const std::vector<uint8_t> flashBefore = Flash(Path("emulation"), "drive0", false);

  const CliResult result = RunCli(args, RunOptions());
  ASSERT_EQ(result.status, road.exitStatus) << result.Transcript();

  if (road.json) {
    const nlohmann::json report = result.Json();
    EXPECT_EQ(report["result"], road.result);
    EXPECT_EQ(report["name"], road.resultName);
    EXPECT_EQ(report["exitStatus"], road.exitStatus);
    EXPECT_EQ(report["log"], LogFile());
    EXPECT_EQ(report["logWritten"], true);
    EXPECT_EQ(report["cancelled"], false);
    EXPECT_GT(report["elapsedSeconds"].get<double>(), 0.5);
  } else {
    const std::string named =
        "Result: " + std::string(road.resultName) + " (" + std::to_string(road.result) + ")";
    EXPECT_NE(result.out.find(named), std::string::npos) << result.Transcript();
    const std::string logLine =
        (road.result == 18 ? "Log: " : "Look at the log for details: ") + LogFile();
    EXPECT_NE(result.out.find(logLine), std::string::npos) << result.Transcript();
  }

  // While it waited it showed the plugin's log lines as they came, and the
  // warning.
  EXPECT_NE(result.err.find("log: "), std::string::npos) << result.Transcript();
  EXPECT_NE(result.err.find("=== Plugin Start ==="), std::string::npos) << result.Transcript();
  EXPECT_NE(result.err.find(road.logLine), std::string::npos) << result.Transcript();
  EXPECT_NE(result.err.find("Do not unplug the drive"), std::string::npos) << result.Transcript();
  EXPECT_NE(ReadWholeFile(LogFile()).find(road.logLine), std::string::npos);

  // Only an update changes the flash, and then both banks hold the image.
  const std::vector<uint8_t> flash = Flash(Path("emulation"), "drive0", false);
  if (road.result == 18) {
    EXPECT_EQ(Bank(flash, 0), NewerImage());
    EXPECT_EQ(Bank(flash, 1), NewerImage());
  } else if (!flashBefore.empty()) {
    EXPECT_EQ(flash, flashBefore);
  }
}

INSTANTIATE_TEST_SUITE_P(Cli, UpdateTest, ::testing::ValuesIn(Roads()),
                         [](const auto& param) { return std::string(param.param.name); });

// Four failed attempts take more than five seconds: the plain progress
// output says meanwhile that work goes on.
TEST_F(UpdateRunTest, PlainProgressReportsTheElapsedTime) {
  Emulation({"SER1"});
  std::vector<std::string> args = {"update", "--log-dir", DataFolder(), "--force"};
  const std::vector<std::string> request = Request("SER1", WrongModelFile());
  args.insert(args.end(), request.begin(), request.end());
  const CliResult result = RunCli(args, RunOptions());
  ASSERT_EQ(result.status, 17) << result.Transcript();
  EXPECT_NE(result.err.find("] still updating; do not unplug the drive"), std::string::npos)
      << result.Transcript();
  EXPECT_EQ(result.err.find("\033[K"), std::string::npos) << "no terminal, no spinner";
}

// Ctrl-C: the plugin is asked to cancel and the program waits for its
// orderly end, which reports "no outcome".
TEST_F(UpdateRunTest, CtrlCCancelsTheRun) {
  Emulation({"SER1"});
  std::vector<std::string> args = {"update", "--log-dir", DataFolder(), "--force", "--json"};
  const std::vector<std::string> request = Request("SER1", WrongModelFile());
  args.insert(args.end(), request.begin(), request.end());
  CliOptions options = RunOptions();
  options.interruptAfter = "Update request sent";
  const CliResult result = RunCli(args, options);
  ASSERT_EQ(result.status, 1) << result.Transcript();
  const nlohmann::json report = result.Json();
  EXPECT_EQ(report["result"], 0);
  EXPECT_EQ(report["name"], "no outcome");
  EXPECT_EQ(report["cancelled"], true);
  EXPECT_NE(result.err.find("asked the plugin to cancel"), std::string::npos)
      << result.Transcript();
}

// --timeout: a plugin that has not answered in time ends the program with
// 3; its threads are left to the end of the process.
TEST_F(UpdateRunTest, NoAnswerWithinTheTimeoutEndsWith3) {
  Emulation({});
  std::vector<std::string> args = {"update",    "--log-dir", DataFolder(),
                                   "--timeout", "1s",        "--json"};
  const std::vector<std::string> request = Request("SER1", NewerFile());
  args.insert(args.end(), request.begin(), request.end());
  const CliResult result = RunCli(args, RunOptions());
  ASSERT_EQ(result.status, 3) << result.Transcript();
  const nlohmann::json report = result.Json();
  EXPECT_TRUE(report["result"].is_null());
  EXPECT_EQ(report["name"], "plugin failure");
  EXPECT_NE(report["error"].get<std::string>().find("no outcome within 1 s"), std::string::npos);
  // The plugin needs 4 s for "no drive"; the program gave up after 1 s.
  EXPECT_GE(report["elapsedSeconds"].get<double>(), 0.9);
  EXPECT_LT(report["elapsedSeconds"].get<double>(), 3.5);
}

// The main job: `update --simulate` makes its own emulated drive (below
// TMPDIR), updates it and leaves the folder for `simulate show`.
TEST_F(UpdateRunTest, SimulateUpdatesAFreshEmulatedDrive) {
  CliOptions options;
  options.env.push_back({"TMPDIR", Path("")});
  const CliResult result = RunCli({"update", "--simulate"}, options);
  ASSERT_EQ(result.status, 0) << result.Transcript();
  EXPECT_NE(result.out.find("Result: updated (18)"), std::string::npos) << result.Transcript();

  auto lineValue = [&](const std::string& label) {
    const size_t at = result.out.find(label);
    if (at == std::string::npos) return std::string();
    const size_t begin = at + label.size();
    return result.out.substr(begin, result.out.find('\n', begin) - begin);
  };
  const std::string folder = lineValue("Emulation folder: ");
  const std::string log = lineValue("Log: ");
  ASSERT_EQ(folder.rfind(Path("bridgefw-sim."), 0), 0u) << result.Transcript();
  // The log stays with the simulation, out of the machine's /var/lib.
  const std::string root = folder.substr(0, folder.rfind('/'));
  EXPECT_EQ(log, root + "/data/Zentara/logs/ZT Firmware Updater/Updater.log");
  EXPECT_TRUE(PathExists(log));

  const CliResult shown = RunCli({"simulate", "show", folder, "--json"}, Options());
  ASSERT_EQ(shown.status, 0) << shown.Transcript();
  const nlohmann::json drive = shown.Json()["drives"][0];
  for (const auto& bank : drive["banks"]) {
    EXPECT_EQ(bank["state"], "valid");
    EXPECT_EQ(bank["sample"], "newer");
  }
}

// A prepared folder is used as it stands, and the request follows its
// first drive. Its bank 0 is blank, so bank 0 is written first.
TEST_F(UpdateRunTest, SimulateUsesAPreparedFolder) {
  const std::string folder = Path("prepared");
  ASSERT_EQ(RunCli({"simulate", "init", folder, "--serial", "PREP42", "--pid", "0D00", "--bank0",
                    "blank"},
                   Options())
                .status,
            0);
  const CliResult result =
      RunCli({"update", "--simulate", "--emulation", folder, "--log-dir", DataFolder(), "--json"},
             Options());
  ASSERT_EQ(result.status, 0) << result.Transcript();
  EXPECT_EQ(result.Json()["result"], 18);
  EXPECT_NE(ReadWholeFile(LogFile()).find("PID:D00"), std::string::npos);
  const std::vector<uint8_t> flash = Flash(folder, "drive0");
  EXPECT_EQ(Bank(flash, 0), NewerImage());
  EXPECT_EQ(Bank(flash, 1), NewerImage());
}

}  // namespace
}  // namespace bridgefw::testing
