// `bridgefw update`: one firmware update through the plugin, on a real or
// (--simulate) an emulated drive.
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "commands.h"
#include "exit_status.h"
#include "file_io.h"
#include "firmware_file.h"
#include "hex_id.h"
#include "log_location.h"
#include "plugin_library.h"
#include "progress_display.h"
#include "simulation_setup.h"
#include "update_checks.h"
#include "update_report.h"
#include "update_session.h"

namespace bridgefw::cli {
namespace {

class UpdateCommand : public Command {
 public:
  explicit UpdateCommand(CLI::App& app) {
    m_app = app.add_subcommand("update", "Update a drive's bridge firmware through the plugin");
    m_app->footer(
        "Loads the plugin as a host application does (libbridgefw.so, through its seven "
        "exports), sends DllDataInit and DllUpdate, shows the plugin's log while it works, "
        "waits for DllReadyForUnload and lets the plugin close down. Ctrl-C asks the plugin to "
        "cancel once; it finishes a write attempt that has begun.\n\n"
        "Exit status: 0 updated (result 18); 11 drive mismatch, 12 no drive, 13 several "
        "drives, 17 update failed (the result itself); 1 no outcome (result 0: cancelled, or "
        "the vendor library could not be loaded); 2 bad input (nothing was sent); 3 the plugin "
        "could not be loaded, misbehaved or did not answer within --timeout.");
    m_app
        ->add_option("--firmware", m_firmware,
                     "Firmware image file (48 KiB); with --simulate a built-in sample by default")
        ->type_name("FILE");
    m_app
        ->add_option("--serial", m_serial,
                     "Serial number of the drive to update, as `bridgefw devices` shows it "
                     "(at most 31 characters)")
        ->type_name("SERIAL");
    m_app->add_option("--vid", m_vendorId, "USB vendor id of the drive, hexadecimal (2B4E)")
        ->check(HexIdValidator())
        ->type_name("HEX");
    m_app->add_option("--pid", m_productId, "USB product id of the drive, hexadecimal")
        ->check(HexIdValidator())
        ->type_name("HEX");
    m_app
        ->add_option("--prefix", m_prefixes,
                     "Accepted device instance id prefix; repeat for more (default: "
                     "USBSTOR\\DISK and SCSI\\DISK)")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
        ->type_name("PREFIX");
    m_app
        ->add_option("--plugin", m_pluginPath,
                     "The plugin library (default: libbridgefw.so beside this program)")
        ->type_name("PATH");
    m_app
        ->add_option("--log-dir", m_dataFolder,
                     "Machine-wide data folder the plugin writes its log below (it becomes the "
                     "plugin's PROGRAMDATA; the log is <DIR>/Zentara/logs/ZT Firmware "
                     "Updater/Updater.log unless Ref/UpdaterConfig.ini beside this program says "
                     "otherwise)")
        ->type_name("DIR");
    m_app
        ->add_option("--timeout", m_timeoutSeconds,
                     "How long to wait for the plugin's outcome: seconds, or with a unit "
                     "(90s, 10m, 1h)")
        ->transform(
            CLI::AsNumberWithUnit(std::map<std::string, double>{
                                      {"s", 1.0}, {"m", 60.0}, {"min", 60.0}, {"h", 3600.0}})
                .description(std::string()))
        ->type_name("TIME")
        ->capture_default_str();
    m_app->add_flag("--force", m_force,
                    "Send a firmware image the plugin rejects (wrong signature or model), for "
                    "testing");
    m_app->add_flag("--json", m_json, "Print the outcome as one JSON object");
    CLI::Option* simulate = m_app->add_flag(
        "--simulate", m_simulate,
        "Update an emulated drive instead: a fresh emulation folder with one drive (older sample "
        "image in both banks); --serial, --vid, --pid and --firmware become optional");
    m_app
        ->add_option("--emulation", m_emulationFolder,
                     "With --simulate: the emulation folder to use; one that holds a drives.json "
                     "is used as it is, else a drive is created there")
        ->type_name("DIR")
        ->needs(simulate);
  }

  bool Selected() const override { return m_app->parsed(); }

  int Run() override {
    const std::optional<uint32_t> vendorId = HexOption(m_vendorId);
    const std::optional<uint32_t> productId = HexOption(m_productId);
    CheckTimeout(m_timeoutSeconds);
    if (!m_simulate) RequireRealDriveOptions();
    const bool serialGiven = m_app->count("--serial") > 0;
    const bool firmwareGiven = m_app->count("--firmware") > 0;
    UpdateRequest request;
    if (serialGiven) request.serialNumber = CheckSerialNumber(m_serial);
    uint16_t crc = 0;
    if (firmwareGiven) request.firmwarePath = CheckFirmwareFile(m_firmware, m_force, &crc);
    std::string dataFolder = m_dataFolder.empty() ? std::string() : PrepareDataFolder(m_dataFolder);

    ReportContext context;
    context.json = m_json;
    context.firmwarePath = firmwareGiven ? AbsolutePath(m_firmware) : std::string();
    std::string serial = m_serial;
    if (m_simulate) {
      SimulationChoices choices;
      choices.emulationFolder = m_emulationFolder;
      choices.firmwarePath = context.firmwarePath;
      if (serialGiven) choices.serial = m_serial;
      choices.vendorId = vendorId;
      choices.productId = productId;
      const char* programData = std::getenv("PROGRAMDATA");
      choices.dataFolderGiven =
          !m_dataFolder.empty() || (programData != nullptr && *programData != '\0');
      const Simulation simulation = PrepareSimulation(choices);
      setenv("BRIDGEFW_EMULATION", simulation.emulationFolder.c_str(), 1);
      context.emulationFolder = simulation.emulationFolder;
      serial = simulation.serial;
      if (!serialGiven) request.serialNumber = CheckSerialNumber(serial);
      if (!firmwareGiven) {
        context.firmwarePath = simulation.firmwarePath;
        request.firmwarePath = CheckFirmwareFile(simulation.firmwarePath, false, &crc);
      }
      request.vendorId = simulation.vendorId;
      request.productId = simulation.productId;
      if (!simulation.dataFolder.empty()) dataFolder = PrepareDataFolder(simulation.dataFolder);
    } else {
      request.vendorId = *vendorId;
      request.productId = *productId;
    }
    if (!dataFolder.empty()) setenv("PROGRAMDATA", dataFolder.c_str(), 1);
    request.pluginPath = m_pluginPath.empty() ? DefaultPluginPath() : m_pluginPath;
    std::vector<std::string> prefixes = m_prefixes;
    if (prefixes.empty()) prefixes = {"USBSTOR\\DISK", "SCSI\\DISK"};
    for (const std::string& prefix : prefixes) request.prefixes.push_back(WidenUtf8(prefix));
    request.timeoutSeconds = m_timeoutSeconds;
    request.logPath = PluginLogPath();
    context.logPath = request.logPath;

    Announce(request, serial, crc, context);
    ProgressDisplay display(stderr, ProgressDisplay::IsTerminal(stderr));
    const UpdateOutcome outcome = RunUpdateSession(request, display);
    display.Finish();
    const int status = ReportUpdate(outcome, context);
    if (outcome.pluginStillRunning) {
      // The plugin's threads may still run in its code: neither unload it
      // nor run the static destructors under them.
      std::fflush(nullptr);
      std::_Exit(status);
    }
    return status;
  }

 private:
  static std::optional<uint32_t> HexOption(const std::string& text) {
    if (text.empty()) return std::nullopt;
    uint32_t value = 0;
    std::string error;
    if (!ParseHexId(text, value, error)) throw UsageError(error);
    return value;
  }

  void RequireRealDriveOptions() const {
    std::string missing;
    for (const char* name : {"--firmware", "--serial", "--vid", "--pid"}) {
      if (m_app->count(name) == 0) missing += std::string(" ") + name;
    }
    if (!missing.empty()) {
      throw UsageError("update needs" + missing + " (or --simulate for an emulated drive)");
    }
  }

  static void Announce(const UpdateRequest& request, const std::string& serial, uint16_t crc,
                       const ReportContext& context) {
    std::fprintf(stderr, "Updating the bridge firmware of drive %s (VID %s, PID %s)\n",
                 serial.c_str(), FormatHexId(request.vendorId).c_str(),
                 FormatHexId(request.productId).c_str());
    std::fprintf(stderr, "  firmware: %s (CRC %s once stamped)\n", context.firmwarePath.c_str(),
                 FormatCrc(crc).c_str());
    if (!context.emulationFolder.empty()) {
      std::fprintf(stderr, "  emulated drives: %s\n", context.emulationFolder.c_str());
    }
    std::fprintf(stderr, "  plugin log: %s\n",
                 context.logPath.empty() ? "(none)" : context.logPath.c_str());
    std::fprintf(stderr,
                 "Do not unplug the drive or switch it off until this program has ended.\n");
    std::fflush(stderr);
  }

  CLI::App* m_app = nullptr;
  std::string m_firmware;
  std::string m_serial;
  std::string m_vendorId;
  std::string m_productId;
  std::vector<std::string> m_prefixes;
  std::string m_pluginPath;
  std::string m_dataFolder;
  double m_timeoutSeconds = 600;
  bool m_force = false;
  bool m_json = false;
  bool m_simulate = false;
  std::string m_emulationFolder;
};

}  // namespace

std::unique_ptr<Command> AddUpdateCommand(CLI::App& app) {
  return std::make_unique<UpdateCommand>(app);
}

}  // namespace bridgefw::cli
