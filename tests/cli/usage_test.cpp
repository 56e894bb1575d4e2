// Bad input: a clear message and exit status 2, before anything is sent.
// Every `update` case names a plugin that does not exist: a program that
// went on to load it would end with 3 instead.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli_fixture.h"

namespace bridgefw::testing {
namespace {

struct BadInput {
  const char* name;
  std::vector<std::string> args;  // "{dir}" stands for the test's folder
  const char* message;            // expected on standard error
};

void PrintTo(const BadInput& input, std::ostream* out) {
  *out << input.name;
}

const std::string kNoPlugin = "/nonexistent/libbridgefw.so";

std::vector<std::string> Update(std::vector<std::string> args) {
  std::vector<std::string> full = {"update", "--plugin", kNoPlugin, "--log-dir", "{dir}/data"};
  full.insert(full.end(), args.begin(), args.end());
  return full;
}

std::vector<std::string> UpdateWith(const std::string& firmware, const std::string& serial,
                                    const std::string& vid, const std::string& pid) {
  return Update({"--firmware", firmware, "--serial", serial, "--vid", vid, "--pid", pid});
}

const std::string k32 = "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345";

std::vector<BadInput> Cases() {
  return {
      {"NoCommand", {}, "A subcommand is required"},
      {"UnknownOption", {"update", "--frobnicate"}, "frobnicate"},
      {"UpdateWithoutDrive", Update({}), "update needs --firmware --serial --vid --pid"},
      {"UpdateWithoutPid",
       Update({"--firmware", "{dir}/valid.bin", "--serial", "S1", "--vid", "2B4E"}),
       "update needs --pid"},
      {"MissingFirmware", UpdateWith("{dir}/missing.bin", "S1", "2B4E", "1A2B"), "cannot read"},
      {"FirmwareIsADirectory", UpdateWith("{dir}/folder", "S1", "2B4E", "1A2B"),
       "not a regular file"},
      {"WrongSignature", UpdateWith("{dir}/badsig.bin", "S1", "2B4E", "1A2B"), "signature"},
      {"WrongModel", UpdateWith("{dir}/badmodel.bin", "S1", "2B4E", "1A2B"), "model"},
      {"EmptyFirmware", UpdateWith("{dir}/empty.bin", "S1", "2B4E", "1A2B"), "signature"},
      {"VidNotHex", UpdateWith("{dir}/valid.bin", "S1", "XYZ", "1A2B"), "not a hexadecimal id"},
      {"VidOutOfRange", UpdateWith("{dir}/valid.bin", "S1", "10000", "1A2B"), "out of range"},
      {"PidNegative", UpdateWith("{dir}/valid.bin", "S1", "2B4E", "-1"), "not a hexadecimal id"},
      {"PidPrefixOnly", UpdateWith("{dir}/valid.bin", "S1", "2B4E", "0x"), "not a hexadecimal id"},
      {"SerialTooLong", UpdateWith("{dir}/valid.bin", k32, "2B4E", "1A2B"), "at most 31"},
      {"SerialEmpty", UpdateWith("{dir}/valid.bin", "", "2B4E", "1A2B"), "never matches"},
      {"TimeoutZero",
       Update({"--firmware", "{dir}/valid.bin", "--serial", "S1", "--vid", "2B4E", "--pid", "1A2B",
               "--timeout", "0"}),
       "--timeout"},
      {"TimeoutNotATime",
       Update({"--firmware", "{dir}/valid.bin", "--serial", "S1", "--vid", "2B4E", "--pid", "1A2B",
               "--timeout", "soon"}),
       "--timeout"},
      {"EmulationWithoutSimulate", Update({"--emulation", "{dir}/emulation"}), "--simulate"},
      {"SimulateWithBadFirmware", Update({"--simulate", "--firmware", "{dir}/badmodel.bin"}),
       "model"},
      {"SimulateInForeignFolder", Update({"--simulate", "--emulation", "{dir}/junk"}),
       "neither empty nor an emulation folder"},
      {"SimulateSerialTooLong", Update({"--simulate", "--serial", k32}), "at most 31"},
      {"ImageInfoOfMissingFile", {"image", "info", "{dir}/missing.bin"}, "cannot read"},
      {"ImageStampWithoutOutput", {"image", "stamp", "{dir}/valid.bin"}, "--output"},
      {"InitUnknownBankState", {"simulate", "init", "{dir}/sim", "--bank0", "broken"}, "broken"},
      {"InitMoreSerialsThanDrives",
       {"simulate", "init", "{dir}/sim", "--drives", "1", "--serial", "A", "--serial", "B"},
       "2 serial numbers for 1 drive"},
      {"InitInForeignFolder", {"simulate", "init", "{dir}/junk"}, "neither empty"},
      {"InitBadPid", {"simulate", "init", "{dir}/sim", "--pid", "12345"}, "out of range"},
      {"ShowWithoutFolder", {"simulate", "show", "{dir}/missing"}, "not a usable emulation folder"},
  };
}

class UsageTest : public CliTest, public ::testing::WithParamInterface<BadInput> {
 protected:
  void SetUp() override {
    WriteFile("valid.bin", NewerImage());
    WriteFile("badsig.bin", ImageWith(kFirmwareSignatureOffset, "\x55\xAA\xAA\x56"));
    WriteFile("badmodel.bin", ImageWith(kFirmwareModelOffset, "846x"));
    WriteFile("empty.bin", {});
    std::string error;
    ASSERT_TRUE(cli::MakeDirectories(Path("folder"), error)) << error;
    ASSERT_TRUE(cli::MakeDirectories(Path("junk"), error)) << error;
    WriteFile("junk/notes.txt", {'h', 'i'});
  }

  std::vector<std::string> Expand(std::vector<std::string> args) const {
    for (std::string& arg : args) {
      const size_t at = arg.find("{dir}");
      if (at != std::string::npos) arg.replace(at, 5, Path(""));
    }
    return args;
  }
};

TEST_P(UsageTest, IsRefusedWithExitStatus2) {
  const CliResult result = RunCli(Expand(GetParam().args), Options());
  EXPECT_EQ(result.status, 2) << result.Transcript();
  EXPECT_NE(result.err.find(GetParam().message), std::string::npos) << result.Transcript();
  // Nothing was run: no plugin log, no emulation folder made in place of
  // the foreign one, no data folder for the plugin.
  EXPECT_FALSE(PathExists(Path("data/Zentara")));
  EXPECT_FALSE(PathExists(Path("junk/drives.json")));
  EXPECT_FALSE(PathExists(Path("sim/drives.json")));
}

INSTANTIATE_TEST_SUITE_P(Cli, UsageTest, ::testing::ValuesIn(Cases()),
                         [](const auto& param) { return std::string(param.param.name); });

TEST_F(CliTest, UnreadableFirmwareIsRefused) {
  if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
  const std::string path = WriteFile("locked.bin", NewerImage());
  ASSERT_EQ(chmod(path.c_str(), 0), 0);
  const CliResult result = RunCli({"update", "--plugin", kNoPlugin, "--firmware", path, "--serial",
                                   "S1", "--vid", "2B4E", "--pid", "1A2B"},
                                  Options());
  EXPECT_EQ(result.status, 2) << result.Transcript();
  EXPECT_NE(result.err.find("cannot read"), std::string::npos) << result.Transcript();
}

// The help of the program and of each command names every option the
// command has.
TEST_F(CliTest, HelpOfEveryCommandIsComplete) {
  const std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>> cases = {
      {{"--help"}, {"update", "devices", "image", "simulate", "--version"}},
      {{"update", "--help"},
       {"--firmware", "--serial", "--vid", "--pid", "--prefix", "--plugin", "--log-dir",
        "--timeout", "--force", "--json", "--simulate", "--emulation", "Exit status"}},
      {{"devices", "--help"}, {"--prefix", "--all", "--json"}},
      {{"image", "--help"}, {"info", "stamp", "sample"}},
      {{"image", "info", "--help"}, {"FILE", "--json"}},
      {{"image", "stamp", "--help"}, {"FILE", "--output"}},
      {{"image", "sample", "--help"}, {"--output", "--older"}},
      {{"simulate", "--help"}, {"init", "show"}},
      {{"simulate", "init", "--help"},
       {"DIR", "--drives", "--serial", "--vid", "--pid", "--bank0", "--bank1"}},
      {{"simulate", "show", "--help"}, {"DIR", "--json"}},
  };
  for (const auto& [args, words] : cases) {
    const CliResult result = RunCli(args, Options());
    EXPECT_EQ(result.status, 0) << result.Transcript();
    for (const std::string& word : words) {
      EXPECT_NE(result.out.find(word), std::string::npos)
          << "'" << word << "' missing from the help of " << args.front() << "\n"
          << result.Transcript();
    }
  }
}

}  // namespace
}  // namespace bridgefw::testing
