#include "emulation/drive_json.h"

#include <set>
#include <stdexcept>
#include <string>

#include "emulation/bridge_faults_json.h"
#include "emulation/json_fields.h"

namespace bridgefw::emulation {
namespace {

using nlohmann::json;

struct KindName {
  ReplyKind kind;
  const char* name;
};

constexpr KindName kKindNames[] = {
    {ReplyKind::kBecomingReady, "becoming-ready"},
    {ReplyKind::kNeedsStartUnit, "needs-start-unit"},
    {ReplyKind::kCheckCondition, "check-condition"},
    {ReplyKind::kStatus, "status"},
    {ReplyKind::kTransportError, "transport-error"},
};

const char* KindToName(ReplyKind kind) {
  for (const KindName& entry : kKindNames) {
    if (entry.kind == kind) return entry.name;
  }
  return "?";
}

ReplyKind KindFromName(const std::string& name) {
  for (const KindName& entry : kKindNames) {
    if (name == entry.name) return entry.kind;
  }
  throw std::runtime_error("unknown reply \"" + name + "\"");
}

std::string BytesToHex(const std::vector<uint8_t>& bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(bytes.size() * 3);
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i > 0) text.push_back(' ');
    text.push_back(kDigits[bytes[i] >> 4]);
    text.push_back(kDigits[bytes[i] & 0x0F]);
  }
  return text;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Pairs of hexadecimal digits; blanks between bytes are allowed.
std::vector<uint8_t> BytesFromHex(const std::string& text) {
  std::vector<uint8_t> bytes;
  int high = -1;
  for (const char c : text) {
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
      if (high >= 0) throw std::runtime_error("page80: a byte needs two hexadecimal digits");
      continue;
    }
    const int value = HexValue(c);
    if (value < 0) throw std::runtime_error("page80: not a hexadecimal digit");
    if (high < 0) {
      high = value;
    } else {
      bytes.push_back(static_cast<uint8_t>(high * 16 + value));
      high = -1;
    }
  }
  if (high >= 0) throw std::runtime_error("page80: odd number of hexadecimal digits");
  return bytes;
}

uint8_t ByteField(const json& object, const char* key) {
  return static_cast<uint8_t>(NumberField(object, key, 0, 0xFF));
}

bool IsValidName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (const char c : name) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '.' || c == '_' || c == '-';
    if (!ok) return false;
  }
  return true;
}

json StepToJson(const ScriptStep& step) {
  json out = {{"reply", KindToName(step.kind)}};
  if (step.kind != ReplyKind::kNeedsStartUnit) out["times"] = step.times;
  if (step.kind == ReplyKind::kCheckCondition) {
    out["senseKey"] = step.senseKey;
    out["asc"] = step.asc;
    out["ascq"] = step.ascq;
  }
  if (step.kind == ReplyKind::kStatus) out["status"] = step.status;
  return out;
}

ScriptStep StepFromJson(const json& in) {
  ScriptStep step;
  step.kind = KindFromName(in.at("reply").get<std::string>());
  step.times = NumberField(in, "times", 1, 0xFFFFFFFFu);
  step.senseKey = ByteField(in, "senseKey");
  step.asc = ByteField(in, "asc");
  step.ascq = ByteField(in, "ascq");
  step.status = ByteField(in, "status");
  return step;
}

json DriveToJson(const EmulatedDrive& drive) {
  json out = {{"name", drive.name},
              {"instanceId", drive.instanceId},
              {"parentId", drive.parentId},
              {"page80", BytesToHex(drive.page80)}};
  if (!drive.devicePath.empty()) out["devicePath"] = drive.devicePath;
  json script = json::array();
  for (const ScriptStep& step : drive.script) script.push_back(StepToJson(step));
  out["script"] = script;
  if (drive.unopenable) out["unopenable"] = true;
  if (drive.descriptorSense) out["descriptorSense"] = true;
  if (!drive.flashFile.empty()) out["flashFile"] = drive.flashFile;
  if (!drive.faults.empty()) out["faults"] = FaultsToJson(drive.faults);
  if (drive.timing) out["timing"] = TimingToJson(*drive.timing);
  return out;
}

EmulatedDrive DriveFromJson(const json& in) {
  EmulatedDrive drive;
  drive.name = in.at("name").get<std::string>();
  if (!IsValidName(drive.name))
    throw std::runtime_error("invalid drive name \"" + drive.name + "\"");
  drive.instanceId = in.value("instanceId", std::string());
  drive.parentId = in.value("parentId", std::string());
  drive.devicePath = in.value("devicePath", std::string());
  if (drive.devicePath.empty()) drive.devicePath = DefaultDevicePath(drive.name);
  drive.page80 = BytesFromHex(in.value("page80", std::string()));
  if (in.contains("script")) {
    for (const json& step : in.at("script")) drive.script.push_back(StepFromJson(step));
  }
  drive.unopenable = in.value("unopenable", false);
  drive.descriptorSense = in.value("descriptorSense", false);
  drive.flashFile = in.value("flashFile", std::string());
  if (drive.flashFile.empty()) drive.flashFile = drive.name + ".flash";
  if (in.contains("faults")) drive.faults = FaultsFromJson(in.at("faults"));
  if (in.contains("timing")) drive.timing = TimingFromJson(in.at("timing"));
  return drive;
}

}  // namespace

json DrivesToJson(const std::vector<EmulatedDrive>& drives) {
  json list = json::array();
  for (const EmulatedDrive& drive : drives) list.push_back(DriveToJson(drive));
  return json{{"format", kFormatVersion}, {"drives", list}};
}

std::vector<EmulatedDrive> DrivesFromJson(const json& document) {
  if (document.value("format", 0) != kFormatVersion) {
    throw std::runtime_error("unsupported format (expected " + std::to_string(kFormatVersion) +
                             ")");
  }
  std::vector<EmulatedDrive> drives;
  std::set<std::string> names;
  std::set<std::string> paths;
  for (const json& entry : document.at("drives")) {
    EmulatedDrive drive = DriveFromJson(entry);
    if (!names.insert(drive.name).second) {
      throw std::runtime_error("drive name \"" + drive.name + "\" used twice");
    }
    if (!paths.insert(drive.devicePath).second) {
      throw std::runtime_error("device path \"" + drive.devicePath + "\" used twice");
    }
    drives.push_back(std::move(drive));
  }
  return drives;
}

}  // namespace bridgefw::emulation
