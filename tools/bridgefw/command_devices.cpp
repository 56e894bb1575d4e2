// `bridgefw devices`: the attached disks as the plugin's drive scan sees
// them, through the project's drive-discovery code.
#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "commands.h"
#include "drives/device_interfaces.h"
#include "drives/serial_number.h"
#include "exit_status.h"
#include "hex_id.h"
#include "platform/device.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "usb_ids.h"

namespace bridgefw::cli {
namespace {

struct Disk {
  std::string devicePath;
  std::string instanceId;
  std::string parentId;
  std::optional<uint32_t> vendorId;
  std::optional<uint32_t> productId;
  std::string serial;
  bool accepted = false;
};

bool HasAcceptedPrefix(const std::string& id, const std::vector<std::string>& prefixes) {
  // Anchored and case-sensitive, as the plugin's drive manager compares.
  for (const std::string& prefix : prefixes) {
    if (id.compare(0, prefix.size(), prefix) == 0) return true;
  }
  return false;
}

nlohmann::json OptionalId(const std::optional<uint32_t>& id) {
  return id ? nlohmann::json(FormatHexId(*id)) : nlohmann::json();
}

class DevicesCommand : public Command {
 public:
  explicit DevicesCommand(CLI::App& app) {
    m_app = app.add_subcommand(
        "devices",
        "List the attached drives that the plugin would consider: device path, instance id, "
        "parent id, vendor and product id (from the parent id) and the serial number as the "
        "plugin reads it (page 80h, cleaned). With BRIDGEFW_EMULATION set, the emulated drives.");
    m_app
        ->add_option("--prefix", m_prefixes,
                     "Accepted device instance id prefix; repeat for more (default: "
                     "USBSTOR\\DISK and SCSI\\DISK)")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
        ->type_name("PREFIX");
    m_app->add_flag("--all", m_all, "Also list the disks that no prefix accepts");
    m_app->add_flag("--json", m_json, "Print one JSON object");
  }

  bool Selected() const override { return m_app->parsed(); }

  int Run() override {
    std::vector<std::string> prefixes = m_prefixes;
    if (prefixes.empty()) prefixes = {"USBSTOR\\DISK", "SCSI\\DISK"};
    std::vector<Disk> disks;
    try {
      disks = Scan(prefixes);
    } catch (const std::exception& failure) {
      std::fprintf(stderr, "bridgefw: the drive scan failed: %s\n", failure.what());
      return kExitFailure;
    } catch (...) {
      std::fprintf(stderr, "bridgefw: the drive scan failed\n");
      return kExitFailure;
    }
    if (m_json) {
      PrintJson(disks, prefixes);
    } else {
      PrintText(disks);
    }
    return kExitSuccess;
  }

 private:
  std::vector<Disk> Scan(const std::vector<std::string>& prefixes) const {
    std::vector<Disk> disks;
    const DeviceInterfaces interfaces(platform::kGuidDevinterfaceDisk);
    for (int32_t i = 0; i < interfaces.GetCount(); ++i) {
      const DeviceInterface& entry = interfaces.GetAt(i);
      if (!entry.HasDetail()) continue;
      Disk disk;
      disk.instanceId = NarrowUtf8(GetDeviceId(entry.GetDevInst()));
      disk.accepted = HasAcceptedPrefix(disk.instanceId, prefixes);
      if (!disk.accepted && !m_all) continue;
      disk.devicePath = NarrowUtf8(entry.GetDevicePath());
      platform::GetParentDeviceIdA(entry.GetDevInst(), disk.parentId);
      disk.vendorId = VendorIdOf(disk.parentId);
      disk.productId = ProductIdOf(disk.parentId);
      disk.serial = NarrowUtf8(ReadSerialNumber(entry.GetDevicePath()));
      disks.push_back(disk);
    }
    return disks;
  }

  void PrintText(const std::vector<Disk>& disks) const {
    size_t accepted = 0;
    for (const Disk& disk : disks) {
      if (disk.accepted) ++accepted;
      std::printf("%s%s\n", disk.devicePath.c_str(),
                  disk.accepted ? "" : "  (no prefix accepts it)");
      std::printf("  instance id: %s\n", disk.instanceId.c_str());
      std::printf("  parent id:   %s\n", disk.parentId.empty() ? "(none)" : disk.parentId.c_str());
      std::printf("  vendor id:   %s\n",
                  disk.vendorId ? FormatHexId(*disk.vendorId).c_str() : "(unknown)");
      std::printf("  product id:  %s\n",
                  disk.productId ? FormatHexId(*disk.productId).c_str() : "(unknown)");
      std::printf("  serial:      %s\n",
                  disk.serial.empty() ? "(not readable)" : disk.serial.c_str());
    }
    std::printf("%zu drive(s) the plugin would consider; an update needs exactly one.\n", accepted);
  }

  static void PrintJson(const std::vector<Disk>& disks, const std::vector<std::string>& prefixes) {
    nlohmann::json list = nlohmann::json::array();
    for (const Disk& disk : disks) {
      list.push_back({{"devicePath", disk.devicePath},
                      {"instanceId", disk.instanceId},
                      {"parentId", disk.parentId},
                      {"vendorId", OptionalId(disk.vendorId)},
                      {"productId", OptionalId(disk.productId)},
                      {"serialNumber", disk.serial},
                      {"accepted", disk.accepted}});
    }
    nlohmann::json report{{"prefixes", prefixes}, {"drives", list}};
    std::cout << report.dump(2) << std::endl;
  }

  CLI::App* m_app = nullptr;
  std::vector<std::string> m_prefixes;
  bool m_all = false;
  bool m_json = false;
};

}  // namespace

std::unique_ptr<Command> AddDevicesCommand(CLI::App& app) {
  return std::make_unique<DevicesCommand>(app);
}

}  // namespace bridgefw::cli
