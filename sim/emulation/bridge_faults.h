// What can go wrong with an emulated bridge as the vendor library sees it,
// and how fast its serial flash works (docs/EMULATION.md, "faults" and
// "timing"). Part of a drive's description; the vendor-library stand-in
// acts on it.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace bridgefw::emulation {

// The vendor-library calls that address an emulated bridge.
enum class BridgeCommand : uint8_t {
  kSelect,   // QNSelectDeviceEx
  kRead,     // QN8XXSerialFlashReadEx
  kProgram,  // QN8XXSerialFlashProgrammingEx
  kReset,    // QN847ChipRestEx
};

// Which calls a fault hits, counted from the stand-in's load: the first
// `skip` go through, the next `times` are hit (every later one when
// `always`).
struct FaultCalls {
  uint32_t skip = 0;
  uint32_t times = 1;
  bool always = false;

  bool Hits(uint32_t index) const { return index >= skip && (always || index - skip < times); }
};

// A command that fails (result 0) without reaching the chip.
struct CommandFault {
  BridgeCommand command = BridgeCommand::kSelect;
  FaultCalls calls;
};

// Reads that cover `address` return that byte with the bits of `mask`
// flipped; `calls` counts the reads that cover the address.
struct ReadFault {
  uint32_t address = 0;
  uint8_t mask = 0x01;
  FaultCalls calls;
};

// The power goes after `afterOps` flash operations (sector erases and page
// programs, counted from the stand-in's load). The next operation does not
// happen (clean) or is torn: a torn page program leaves its whole 4 KiB
// sector with pseudo-random content drawn from `seed`, a torn erase leaves
// the sector partly erased. The chip then boots again from its flash.
struct PowerCut {
  uint32_t afterOps = 0;
  bool torn = false;
  uint32_t seed = 1;
};

struct BridgeFaults {
  std::vector<CommandFault> commands;
  std::optional<ReadFault> readDiffers;
  // The device leaves the bus for good after this many commands addressed
  // to it (select, read, program, reset).
  std::optional<uint32_t> disappearAfterCommands;
  std::optional<PowerCut> powerCut;

  bool empty() const {
    return commands.empty() && !readDiffers && !disappearAfterCommands && !powerCut;
  }
};

// Durations of a real chip behind USB. The stand-in spends them (sleeping)
// when timing is on for the drive.
struct FlashTiming {
  uint32_t pageProgramUs = 800;
  uint32_t sectorEraseUs = 45000;
  uint32_t readBytesPerSecond = 1000000;
  uint32_t commandOverheadUs = 1000;
};

inline bool operator==(const FaultCalls& a, const FaultCalls& b) {
  return a.skip == b.skip && a.times == b.times && a.always == b.always;
}
inline bool operator==(const CommandFault& a, const CommandFault& b) {
  return a.command == b.command && a.calls == b.calls;
}
inline bool operator==(const ReadFault& a, const ReadFault& b) {
  return a.address == b.address && a.mask == b.mask && a.calls == b.calls;
}
inline bool operator==(const PowerCut& a, const PowerCut& b) {
  return a.afterOps == b.afterOps && a.torn == b.torn && a.seed == b.seed;
}
inline bool operator==(const BridgeFaults& a, const BridgeFaults& b) {
  return a.commands == b.commands && a.readDiffers == b.readDiffers &&
         a.disappearAfterCommands == b.disappearAfterCommands && a.powerCut == b.powerCut;
}
inline bool operator==(const FlashTiming& a, const FlashTiming& b) {
  return a.pageProgramUs == b.pageProgramUs && a.sectorEraseUs == b.sectorEraseUs &&
         a.readBytesPerSecond == b.readBytesPerSecond && a.commandOverheadUs == b.commandOverheadUs;
}

}  // namespace bridgefw::emulation
