// `bridgefw image`: look at a firmware image file (info), write its
// computed CRC into it (stamp), or write a built-in sample (sample).
#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>

#include "bridge/firmware_image.h"
#include "commands.h"
#include "exit_status.h"
#include "file_io.h"
#include "firmware_file.h"
#include "sample_image.h"

namespace bridgefw::cli {
namespace {

std::string HexBytes(const uint8_t* bytes, size_t count) {
  std::string text;
  for (size_t i = 0; i < count; ++i) {
    char pair[4];
    std::snprintf(pair, sizeof pair, "%s%02X", i == 0 ? "" : " ", bytes[i]);
    text += pair;
  }
  return text;
}

FirmwareFile LoadOrThrow(const std::string& path) {
  FirmwareFile file;
  std::string error;
  if (!LoadFirmwareFile(path, file, error)) throw UsageError(error);
  return file;
}

class ImageCommand : public Command {
 public:
  explicit ImageCommand(CLI::App& app) {
    m_app = app.add_subcommand("image", "Look at, stamp or make firmware image files");
    m_app->require_subcommand(1);

    m_info = m_app->add_subcommand(
        "info",
        "Show an image's trailer (signature, model, the free bytes, stored and computed CRC) "
        "and whether the plugin would accept it. The plugin reads 0xC000 bytes (a shorter file "
        "padded with zeros) and stamps the computed CRC before it checks signature and model.");
    m_info->add_option("FILE", m_file, "The image file")->required()->type_name("FILE");
    m_info->add_flag("--json", m_json, "Print one JSON object");

    m_stamp = m_app->add_subcommand(
        "stamp", "Write the image with its computed CRC stored at 0xBFFE (high byte first)");
    m_stamp->add_option("FILE", m_file, "The image file")->required()->type_name("FILE");
    m_stamp->add_option("-o,--output", m_output, "Where to write the stamped image")
        ->required()
        ->type_name("FILE");

    m_sample = m_app->add_subcommand(
        "sample",
        "Write a built-in sample image (model \"847x\"), for emulated drives and trials only");
    m_sample->add_option("-o,--output", m_output, "Where to write it")
        ->required()
        ->type_name("FILE");
    m_sample->add_flag("--older", m_older,
                       "The older sample (the one `simulate init` puts into valid banks) instead "
                       "of the newer one");
  }

  bool Selected() const override { return m_app->parsed(); }

  int Run() override {
    if (m_info->parsed()) return Info();
    if (m_stamp->parsed()) return Stamp();
    return Sample();
  }

 private:
  int Info() const {
    const FirmwareFile file = LoadOrThrow(m_file);
    const uint8_t* image = file.image.data();
    const ImageCheck check = CheckImage(image);
    const std::string signature = HexBytes(image + kFirmwareSignatureOffset, 4);
    const std::string freeBytes = HexBytes(image + 0xBFF8, 4);
    const std::string tail = HexBytes(image + kFirmwareCrcRangeEnd, 2);
    const auto sample = IdentifySampleImage(image);
    if (m_json) {
      nlohmann::json report{
          {"file", AbsolutePath(m_file)},
          {"fileSize", file.fileSize},
          {"signature", signature},
          {"signatureOk", check.signatureOk},
          {"model", ModelText(image)},
          {"modelOk", check.modelOk},
          {"bytesAtBFF8", freeBytes},
          {"bytesAtBFFC", tail},
          {"storedCrc", FormatCrc(check.storedCrc)},
          {"computedCrc", FormatCrc(check.computedCrc)},
          {"crcMatches", check.CrcMatches()},
          {"validAsStored", check.ValidAsStored()},
          {"pluginAccepts", check.PluginAccepts()},
          {"sample", sample ? nlohmann::json(SampleReleaseName(*sample)) : nlohmann::json()}};
      if (!check.PluginAccepts()) report["rejectReason"] = check.RejectReason();
      std::cout << report.dump(2) << std::endl;
      return kExitSuccess;
    }
    std::printf("file:           %s\n", AbsolutePath(m_file).c_str());
    std::printf("size:           %llu bytes%s\n", static_cast<unsigned long long>(file.fileSize),
                file.fileSize == kFirmwareImageSize
                    ? ""
                    : (file.fileSize < kFirmwareImageSize ? " (the plugin pads it with zeros)"
                                                          : " (the plugin ignores bytes past "
                                                            "0xC000)"));
    std::printf("signature:      %s  %s\n", signature.c_str(),
                check.signatureOk ? "ok" : "wrong (must be 55 AA AA 55)");
    std::printf("model:          \"%s\"  %s\n", ModelText(image).c_str(),
                check.modelOk ? "ok" : "wrong (must begin with \"847\")");
    std::printf("bytes at BFF8:  %s  (%s)\n", freeBytes.c_str(), ReleaseTagText(image).c_str());
    std::printf("bytes at BFFC:  %s\n", tail.c_str());
    std::printf("stored CRC:     %s\n", FormatCrc(check.storedCrc).c_str());
    std::printf("computed CRC:   %s  %s\n", FormatCrc(check.computedCrc).c_str(),
                check.CrcMatches() ? "matches" : "differs (`bridgefw image stamp` writes it)");
    if (sample) std::printf("this is the %s built-in sample image\n", SampleReleaseName(*sample));
    if (check.PluginAccepts()) {
      std::printf("plugin:         accepts it%s\n",
                  check.CrcMatches() ? "" : " (it stamps the computed CRC itself)");
    } else {
      std::printf("plugin:         rejects it: %s\n", check.RejectReason().c_str());
    }
    return kExitSuccess;
  }

  int Stamp() const {
    FirmwareFile file = LoadOrThrow(m_file);
    const uint16_t before = StoredFirmwareCrc(file.image.data());
    const uint16_t crc = ComputeFirmwareCrc(0, file.image.data());
    StampFirmwareCrc(file.image.data(), crc);
    std::string error;
    if (!WriteFileReplacing(m_output, file.image, error)) {
      std::fprintf(stderr, "bridgefw: %s\n", error.c_str());
      return kExitFailure;
    }
    std::printf("Wrote %s: CRC %s (was %s)", m_output.c_str(), FormatCrc(crc).c_str(),
                FormatCrc(before).c_str());
    if (file.fileSize < kFirmwareImageSize) {
      std::printf(", padded with zeros to 49152 bytes");
    } else if (file.fileSize > kFirmwareImageSize) {
      std::printf(", cut to 49152 bytes");
    }
    std::printf(".\n");
    return kExitSuccess;
  }

  int Sample() const {
    const SampleRelease release = m_older ? SampleRelease::kOlder : SampleRelease::kNewer;
    std::string error;
    if (!WriteFileReplacing(m_output, MakeSampleImage(release), error)) {
      std::fprintf(stderr, "bridgefw: %s\n", error.c_str());
      return kExitFailure;
    }
    std::printf("Wrote the %s sample image to %s.\n", SampleReleaseName(release), m_output.c_str());
    return kExitSuccess;
  }

  CLI::App* m_app = nullptr;
  CLI::App* m_info = nullptr;
  CLI::App* m_stamp = nullptr;
  CLI::App* m_sample = nullptr;
  std::string m_file;
  std::string m_output;
  bool m_json = false;
  bool m_older = false;
};

}  // namespace

std::unique_ptr<Command> AddImageCommand(CLI::App& app) {
  return std::make_unique<ImageCommand>(app);
}

}  // namespace bridgefw::cli
