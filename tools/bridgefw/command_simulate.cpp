// `bridgefw simulate`: make (init) and inspect (show) emulation folders.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "commands.h"
#include "drives/serial_page.h"
#include "emulation/emulated_drive.h"
#include "emulation/emulation_folder.h"
#include "emulation_builder.h"
#include "exit_status.h"
#include "file_io.h"
#include "firmware_file.h"
#include "flash_file.h"
#include "hex_id.h"
#include "platform/text.h"
#include "usb_ids.h"

namespace bridgefw::cli {
namespace {

constexpr size_t kMaxDrives = 64;
constexpr size_t kMaxSerialLength = 200;

std::string PageText(const std::vector<uint8_t>& page) {
  std::string text;
  for (uint8_t byte : page) {
    char pair[4];
    std::snprintf(pair, sizeof pair, "%s%02X", text.empty() ? "" : " ", byte);
    text += pair;
  }
  return text;
}

// The settings of each drive that this program does not know (faults and
// the like), as the file holds them, by drive name.
std::map<std::string, nlohmann::json> OtherSettings(const std::string& folder) {
  static const std::set<std::string> kKnown = {"name",       "instanceId",      "parentId",
                                               "devicePath", "page80",          "script",
                                               "unopenable", "descriptorSense", "flashFile"};
  std::map<std::string, nlohmann::json> settings;
  std::ifstream in(std::filesystem::path(folder) / emulation::kDrivesFileName);
  const nlohmann::json document = nlohmann::json::parse(in, nullptr, false);
  if (!document.is_object() || !document.contains("drives") || !document["drives"].is_array()) {
    return settings;
  }
  for (const nlohmann::json& drive : document["drives"]) {
    if (!drive.is_object() || !drive.contains("name") || !drive["name"].is_string()) continue;
    nlohmann::json other = nlohmann::json::object();
    for (const auto& [key, value] : drive.items()) {
      if (kKnown.count(key) == 0) other[key] = value;
    }
    if (!other.empty()) settings[drive["name"].get<std::string>()] = other;
  }
  return settings;
}

nlohmann::json OptionalId(const std::optional<uint32_t>& id) {
  return id ? nlohmann::json(FormatHexId(*id)) : nlohmann::json();
}

nlohmann::json BankJson(const BankInfo& bank, int index) {
  nlohmann::json json{{"bank", index},
                      {"address", index == 0 ? "0x00000" : "0x10000"},
                      {"state", BankStateName(bank.state)}};
  if (bank.state != BankState::kBlank) {
    json["model"] = bank.model;
    json["storedCrc"] = FormatCrc(bank.storedCrc);
    json["computedCrc"] = FormatCrc(bank.computedCrc);
    json["releaseTag"] = bank.releaseTag;
    json["sample"] =
        bank.sample ? nlohmann::json(SampleReleaseName(*bank.sample)) : nlohmann::json();
  }
  return json;
}

std::string BankText(const BankInfo& bank) {
  if (bank.state == BankState::kBlank) return "blank";
  std::string text = std::string(BankStateName(bank.state)) + ", model \"" + bank.model +
                     "\", CRC " + FormatCrc(bank.storedCrc);
  if (bank.state == BankState::kCorrupt) text += " (computed " + FormatCrc(bank.computedCrc) + ")";
  text += ", tag \"" + bank.releaseTag + "\"";
  if (bank.sample) text += std::string(", the ") + SampleReleaseName(*bank.sample) + " sample";
  return text;
}

class SimulateCommand : public Command {
 public:
  explicit SimulateCommand(CLI::App& app) {
    m_app = app.add_subcommand(
        "simulate",
        "Make and inspect emulation folders (emulated drives for the plugin: set "
        "BRIDGEFW_EMULATION to the folder, or use `update --simulate --emulation DIR`)");
    m_app->require_subcommand(1);

    m_init = m_app->add_subcommand(
        "init",
        "Create an emulation folder: USB mass-storage drives named drive0, drive1, ..., each "
        "with a 128 KiB flash file whose banks are valid (the older sample image), blank or "
        "corrupt. A folder that already holds a drives.json is replaced.");
    m_init->add_option("DIR", m_folder, "The folder (new, empty, or an emulation folder)")
        ->required()
        ->type_name("DIR");
    m_init
        ->add_option("--drives", m_driveCount,
                     "Number of drives, 0 to 64 (default: one, or one per --serial)")
        ->type_name("N");
    m_init
        ->add_option("--serial", m_serials,
                     "A drive's serial number, in drive order; repeat for more drives (default "
                     "SIM0000001, SIM0000002, ...)")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
        ->type_name("SERIAL");
    m_init->add_option("--vid", m_vendorId, "USB vendor id of every drive, hexadecimal")
        ->check(HexIdValidator())
        ->type_name("HEX")
        ->capture_default_str();
    m_init->add_option("--pid", m_productId, "USB product id of every drive, hexadecimal")
        ->check(HexIdValidator())
        ->type_name("HEX")
        ->capture_default_str();
    const std::vector<std::string> states = {"valid", "blank", "corrupt"};
    m_init->add_option("--bank0", m_bank0, "What bank 0 holds: valid, blank or corrupt")
        ->check(CLI::IsMember(states))
        ->type_name("STATE")
        ->capture_default_str();
    m_init->add_option("--bank1", m_bank1, "What bank 1 holds: valid, blank or corrupt")
        ->check(CLI::IsMember(states))
        ->type_name("STATE")
        ->capture_default_str();

    m_show = m_app->add_subcommand(
        "show",
        "Show an emulation folder: each drive's identity, serial number as the plugin reads "
        "it, and what each flash bank holds (valid, blank or corrupt, model, CRC)");
    m_show->add_option("DIR", m_folder, "The emulation folder")->required()->type_name("DIR");
    m_show->add_flag("--json", m_json, "Print one JSON object");
  }

  bool Selected() const override { return m_app->parsed(); }

  int Run() override { return m_init->parsed() ? Init() : Show(); }

 private:
  int Init() const {
    const size_t count = m_init->count("--drives") > 0 ? m_driveCount
                         : m_serials.empty()           ? 1
                                                       : m_serials.size();
    if (count > kMaxDrives) {
      throw UsageError("--drives: at most " + std::to_string(kMaxDrives) + " drives");
    }
    if (m_serials.size() > count) {
      throw UsageError("--serial: " + std::to_string(m_serials.size()) + " serial numbers for " +
                       std::to_string(count) + " drive(s)");
    }
    for (const std::string& serial : m_serials) CheckDriveSerial(serial);
    uint32_t vendorId = 0;
    uint32_t productId = 0;
    std::string error;
    ParseHexId(m_vendorId, vendorId, error);
    ParseHexId(m_productId, productId, error);
    BankState bank0 = BankState::kValid;
    BankState bank1 = BankState::kValid;
    ParseBankState(m_bank0, bank0);
    ParseBankState(m_bank1, bank1);
    const std::string folder = AbsolutePath(m_folder);
    CheckFolderCanHoldEmulation(folder, "DIR");

    std::vector<SimulatedDrive> drives(count);
    for (size_t i = 0; i < count; ++i) {
      char serial[32];
      std::snprintf(serial, sizeof serial, "SIM%07zu", i + 1);
      drives[i].serial = i < m_serials.size() ? m_serials[i] : serial;
      drives[i].vendorId = vendorId;
      drives[i].productId = productId;
    }
    if (!CreateEmulationFolder(folder, drives, bank0, bank1, error)) {
      std::fprintf(stderr, "bridgefw: %s\n", error.c_str());
      return kExitFailure;
    }
    std::printf("Created the emulation folder %s with %zu drive(s) (VID %s, PID %s):\n",
                folder.c_str(), count, FormatHexId(vendorId).c_str(),
                FormatHexId(productId).c_str());
    for (size_t i = 0; i < count; ++i) {
      std::printf("  drive%zu  serial %s  bank 0 %s, bank 1 %s\n", i, drives[i].serial.c_str(),
                  BankStateName(bank0), BankStateName(bank1));
    }
    std::printf("Use it with: bridgefw update --simulate --emulation %s\n", folder.c_str());
    return kExitSuccess;
  }

  static void CheckDriveSerial(const std::string& serial) {
    if (serial.empty() || serial.size() > kMaxSerialLength) {
      throw UsageError("--serial: a serial number has 1 to " + std::to_string(kMaxSerialLength) +
                       " characters");
    }
    for (char c : serial) {
      if (c < 0x20 || c > 0x7E) {
        throw UsageError("--serial: '" + serial + "' holds a character other than printable ASCII");
      }
    }
  }

  int Show() const {
    const std::string folder = AbsolutePath(m_folder);
    std::vector<emulation::EmulatedDrive> drives;
    std::string error;
    if (!emulation::ReadEmulationFolder(folder, drives, &error)) {
      throw UsageError(folder + " is not a usable emulation folder: " + error);
    }
    const std::map<std::string, nlohmann::json> other = OtherSettings(folder);
    nlohmann::json list = nlohmann::json::array();
    if (!m_json) std::printf("Emulation folder %s: %zu drive(s)\n", folder.c_str(), drives.size());
    for (const emulation::EmulatedDrive& drive : drives) {
      const std::string serial = NarrowUtf8(
          CleanSerialNumber(SerialNumberFromPage(drive.page80.data(), drive.page80.size())));
      const std::string flashPath = emulation::FlashFilePath(folder, drive);
      std::vector<uint8_t> flash;
      uint64_t flashSize = 0;
      std::string flashError;
      const bool hasFlash = ReadFlashFile(flashPath, flash, flashSize, flashError);
      std::vector<BankInfo> banks;
      if (hasFlash) banks = {InspectBank(flash, 0), InspectBank(flash, 1)};
      const auto found = other.find(drive.name);

      if (m_json) {
        nlohmann::json entry{
            {"name", drive.name},
            {"instanceId", drive.instanceId},
            {"parentId", drive.parentId},
            {"devicePath", drive.devicePath},
            {"vendorId", OptionalId(VendorIdOf(drive.parentId))},
            {"productId", OptionalId(ProductIdOf(drive.parentId))},
            {"serialNumber", serial},
            {"page80", PageText(drive.page80)},
            {"scriptSteps", drive.script.size()},
            {"unopenable", drive.unopenable},
            {"flashFile", flashPath},
            {"flashFileSize", hasFlash ? nlohmann::json(flashSize) : nlohmann::json()}};
        entry["banks"] = nlohmann::json::array();
        for (size_t b = 0; b < banks.size(); ++b) {
          entry["banks"].push_back(BankJson(banks[b], static_cast<int>(b)));
        }
        if (found != other.end()) entry["otherSettings"] = found->second;
        list.push_back(entry);
        continue;
      }
      std::printf("%s\n", drive.name.c_str());
      std::printf("  instance id: %s\n", drive.instanceId.c_str());
      std::printf("  parent id:   %s\n",
                  drive.parentId.empty() ? "(none)" : drive.parentId.c_str());
      std::printf("  serial:      %s  (page 80h: %s)\n", serial.empty() ? "(none)" : serial.c_str(),
                  PageText(drive.page80).c_str());
      if (!drive.script.empty()) {
        std::printf("  script:      %zu step(s) before the serial number is answered\n",
                    drive.script.size());
      }
      if (drive.unopenable) std::printf("  opening:     fails (access denied)\n");
      if (!hasFlash) {
        std::printf("  flash:       %s\n", flashError.c_str());
      } else {
        std::printf("  flash:       %s%s\n", flashPath.c_str(),
                    flashSize == kFlashFileSize ? "" : "  (not 128 KiB; the rest reads as erased)");
        for (size_t b = 0; b < banks.size(); ++b) {
          std::printf("  bank %zu:      %s\n", b, BankText(banks[b]).c_str());
        }
      }
      if (found != other.end()) std::printf("  other:       %s\n", found->second.dump().c_str());
    }
    if (m_json) {
      std::cout << nlohmann::json{{"folder", folder}, {"drives", list}}.dump(2) << std::endl;
    }
    return kExitSuccess;
  }

  CLI::App* m_app = nullptr;
  CLI::App* m_init = nullptr;
  CLI::App* m_show = nullptr;
  std::string m_folder;
  size_t m_driveCount = 1;
  std::vector<std::string> m_serials;
  std::string m_vendorId = "2B4E";
  std::string m_productId = "1A2B";
  std::string m_bank0 = "valid";
  std::string m_bank1 = "valid";
  bool m_json = false;
};

}  // namespace

std::unique_ptr<Command> AddSimulateCommand(CLI::App& app) {
  return std::make_unique<SimulateCommand>(app);
}

}  // namespace bridgefw::cli
