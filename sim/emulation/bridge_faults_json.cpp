#include "emulation/bridge_faults_json.h"

#include <initializer_list>
#include <stdexcept>
#include <string>

#include "emulation/json_fields.h"

namespace bridgefw::emulation {
namespace {

using nlohmann::json;

constexpr uint32_t kFlashBytes = 0x20000;

struct CommandName {
  BridgeCommand command;
  const char* name;
};

constexpr CommandName kCommandNames[] = {
    {BridgeCommand::kSelect, "select"},
    {BridgeCommand::kRead, "read"},
    {BridgeCommand::kProgram, "program"},
    {BridgeCommand::kReset, "reset"},
};

const char* CommandToName(BridgeCommand command) {
  for (const CommandName& entry : kCommandNames) {
    if (entry.command == command) return entry.name;
  }
  return "?";
}

BridgeCommand CommandFromName(const std::string& name) {
  for (const CommandName& entry : kCommandNames) {
    if (name == entry.name) return entry.command;
  }
  throw std::runtime_error("unknown command \"" + name + "\"");
}

void CheckKeys(const json& object, const char* what, std::initializer_list<const char*> known) {
  if (!object.is_object()) throw std::runtime_error(std::string(what) + " must be an object");
  for (auto it = object.begin(); it != object.end(); ++it) {
    bool found = false;
    for (const char* key : known) found = found || it.key() == key;
    if (!found) throw std::runtime_error("unknown key \"" + it.key() + "\" in " + what);
  }
}

void CallsToJson(const FaultCalls& calls, json& out) {
  if (calls.skip != 0) out["skip"] = calls.skip;
  if (calls.always) {
    out["always"] = true;
  } else {
    out["times"] = calls.times;
  }
}

FaultCalls CallsFromJson(const json& in) {
  FaultCalls calls;
  calls.skip = NumberField(in, "skip", 0, 0xFFFFFFFFu);
  calls.times = NumberField(in, "times", 1, 0xFFFFFFFFu);
  calls.always = BoolField(in, "always", false);
  return calls;
}

CommandFault CommandFaultFromJson(const json& in) {
  CheckKeys(in, "a command fault", {"command", "skip", "times", "always"});
  CommandFault fault;
  fault.command = CommandFromName(in.at("command").get<std::string>());
  fault.calls = CallsFromJson(in);
  return fault;
}

ReadFault ReadFaultFromJson(const json& in) {
  CheckKeys(in, "readDiffers", {"address", "mask", "skip", "times", "always"});
  ReadFault fault;
  fault.address = NumberField(in, "address", 0, kFlashBytes - 1);
  fault.mask = static_cast<uint8_t>(NumberField(in, "mask", 0x01, 0xFF));
  if (fault.mask == 0) throw std::runtime_error("readDiffers: mask must flip at least one bit");
  fault.calls = CallsFromJson(in);
  return fault;
}

PowerCut PowerCutFromJson(const json& in) {
  CheckKeys(in, "powerCut", {"afterOps", "torn", "seed"});
  PowerCut cut;
  cut.afterOps = NumberField(in, "afterOps", 0, 0xFFFFFFFFu);
  cut.torn = BoolField(in, "torn", false);
  cut.seed = NumberField(in, "seed", 1, 0xFFFFFFFFu);
  return cut;
}

}  // namespace

json FaultsToJson(const BridgeFaults& faults) {
  json out = json::object();
  if (!faults.commands.empty()) {
    json list = json::array();
    for (const CommandFault& fault : faults.commands) {
      json entry = {{"command", CommandToName(fault.command)}};
      CallsToJson(fault.calls, entry);
      list.push_back(entry);
    }
    out["commands"] = list;
  }
  if (faults.readDiffers) {
    json entry = {{"address", faults.readDiffers->address}, {"mask", faults.readDiffers->mask}};
    CallsToJson(faults.readDiffers->calls, entry);
    out["readDiffers"] = entry;
  }
  if (faults.disappearAfterCommands) out["disappearAfterCommands"] = *faults.disappearAfterCommands;
  if (faults.powerCut) {
    out["powerCut"] = {{"afterOps", faults.powerCut->afterOps},
                       {"torn", faults.powerCut->torn},
                       {"seed", faults.powerCut->seed}};
  }
  return out;
}

json TimingToJson(const FlashTiming& timing) {
  return {{"pageProgramUs", timing.pageProgramUs},
          {"sectorEraseUs", timing.sectorEraseUs},
          {"readBytesPerSecond", timing.readBytesPerSecond},
          {"commandOverheadUs", timing.commandOverheadUs}};
}

BridgeFaults FaultsFromJson(const json& in) {
  CheckKeys(in, "faults", {"commands", "readDiffers", "disappearAfterCommands", "powerCut"});
  BridgeFaults faults;
  if (in.contains("commands")) {
    const json& list = in.at("commands");
    if (!list.is_array()) throw std::runtime_error("faults: commands must be a list");
    for (const json& entry : list) faults.commands.push_back(CommandFaultFromJson(entry));
  }
  if (in.contains("readDiffers")) faults.readDiffers = ReadFaultFromJson(in.at("readDiffers"));
  if (in.contains("disappearAfterCommands")) {
    faults.disappearAfterCommands = NumberField(in, "disappearAfterCommands", 0, 0xFFFFFFFFu);
  }
  if (in.contains("powerCut")) faults.powerCut = PowerCutFromJson(in.at("powerCut"));
  return faults;
}

std::optional<FlashTiming> TimingFromJson(const json& in) {
  if (in.is_boolean()) {
    if (!in.get<bool>()) return std::nullopt;
    return FlashTiming{};
  }
  CheckKeys(in, "timing",
            {"pageProgramUs", "sectorEraseUs", "readBytesPerSecond", "commandOverheadUs"});
  const FlashTiming defaults;
  FlashTiming timing;
  timing.pageProgramUs = NumberField(in, "pageProgramUs", defaults.pageProgramUs, 10000000);
  timing.sectorEraseUs = NumberField(in, "sectorEraseUs", defaults.sectorEraseUs, 10000000);
  timing.readBytesPerSecond =
      NumberField(in, "readBytesPerSecond", defaults.readBytesPerSecond, 0xFFFFFFFFu);
  if (timing.readBytesPerSecond == 0) {
    throw std::runtime_error("timing: readBytesPerSecond must be at least 1");
  }
  timing.commandOverheadUs =
      NumberField(in, "commandOverheadUs", defaults.commandOverheadUs, 10000000);
  return timing;
}

}  // namespace bridgefw::emulation
