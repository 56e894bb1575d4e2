// `bridgefw image`: what the plugin would make of a file, and stamping its
// CRC.
#include <gtest/gtest.h>

#include "cli_fixture.h"

namespace bridgefw::testing {
namespace {

TEST_F(CliTest, ImageInfoOfAValidImage) {
  const std::string path = WriteFile("new.bin", NewerImage());
  const CliResult result = RunCli({"image", "info", path, "--json"}, Options());
  ASSERT_EQ(result.status, 0) << result.Transcript();
  const nlohmann::json info = result.Json();
  EXPECT_EQ(info["fileSize"], kFirmwareImageSize);
  EXPECT_EQ(info["signature"], "55 AA AA 55");
  EXPECT_EQ(info["model"], "847x");
  EXPECT_EQ(info["crcMatches"], true);
  EXPECT_EQ(info["validAsStored"], true);
  EXPECT_EQ(info["pluginAccepts"], true);
  EXPECT_EQ(info["sample"], "newer");
  char crc[8];
  std::snprintf(crc, sizeof crc, "0x%04X", ComputeFirmwareCrc(0, NewerImage().data()));
  EXPECT_EQ(info["storedCrc"], crc);
}

// The plugin stamps the CRC itself: a wrong stored CRC does not make it
// reject the file, but the image is not valid as it stands.
TEST_F(CliTest, ImageInfoAndStampOfAWrongCrc) {
  std::vector<uint8_t> image = NewerImage();
  image[kFirmwareCrcOffset] ^= 0xFF;
  const std::string path = WriteFile("crc.bin", image);
  CliResult result = RunCli({"image", "info", path, "--json"}, Options());
  ASSERT_EQ(result.status, 0) << result.Transcript();
  nlohmann::json info = result.Json();
  EXPECT_EQ(info["crcMatches"], false);
  EXPECT_EQ(info["validAsStored"], false);
  EXPECT_EQ(info["pluginAccepts"], true);

  const std::string stamped = Path("stamped.bin");
  result = RunCli({"image", "stamp", path, "-o", stamped}, Options());
  ASSERT_EQ(result.status, 0) << result.Transcript();
  const std::string bytes = ReadWholeFile(stamped);
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.end()), NewerImage());
}

TEST_F(CliTest, ImageStampPadsAShortFileAsThePluginReadsIt) {
  std::vector<uint8_t> image = NewerImage();
  // The trailer stays where the plugin looks for it; the file ends before
  // its last two bytes, which the plugin reads as zeros.
  image.resize(kFirmwareImageSize - 2);
  const std::string path = WriteFile("short.bin", image);
  const std::string stamped = Path("stamped.bin");
  const CliResult result = RunCli({"image", "stamp", path, "-o", stamped}, Options());
  ASSERT_EQ(result.status, 0) << result.Transcript();
  const std::string bytes = ReadWholeFile(stamped);
  ASSERT_EQ(bytes.size(), kFirmwareImageSize);
  std::vector<uint8_t> expected = image;
  expected.resize(kFirmwareImageSize, 0);
  StampFirmwareCrc(expected.data(), ComputeFirmwareCrc(0, expected.data()));
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.end()), expected);
  EXPECT_TRUE(IsValidFirmwareImage(expected.data()));
}

TEST_F(CliTest, ImageInfoNamesWhyThePluginRejectsAnImage) {
  struct Case {
    size_t offset;
    const char bytes[5];
    const char* reason;
  };
  const Case cases[] = {{kFirmwareSignatureOffset, "\x55\xAA\x55\xAA", "signature"},
                        {kFirmwareModelOffset, "748x", "model"}};
  for (const Case& c : cases) {
    const std::string path = WriteFile("bad.bin", ImageWith(c.offset, c.bytes));
    const CliResult result = RunCli({"image", "info", path, "--json"}, Options());
    ASSERT_EQ(result.status, 0) << result.Transcript();
    const nlohmann::json info = result.Json();
    EXPECT_EQ(info["pluginAccepts"], false);
    EXPECT_NE(info["rejectReason"].get<std::string>().find(c.reason), std::string::npos)
        << result.Transcript();
  }
}

TEST_F(CliTest, ImageSampleWritesTheBuiltInImages) {
  for (const bool older : {false, true}) {
    const std::string path = Path(older ? "older.bin" : "newer.bin");
    std::vector<std::string> args = {"image", "sample", "-o", path};
    if (older) args.push_back("--older");
    const CliResult result = RunCli(args, Options());
    ASSERT_EQ(result.status, 0) << result.Transcript();
    const std::string bytes = ReadWholeFile(path);
    const std::vector<uint8_t> image(bytes.begin(), bytes.end());
    EXPECT_EQ(image, older ? OlderImage() : NewerImage());
    EXPECT_TRUE(IsValidFirmwareImage(image.data()));
  }
  EXPECT_NE(OlderImage(), NewerImage());
}

}  // namespace
}  // namespace bridgefw::testing
