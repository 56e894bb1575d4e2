#include "result_names.h"

#include "bridgefw/host_api.h"
#include "exit_status.h"

namespace bridgefw::cli {
namespace {

struct Entry {
  int32_t code;
  ResultDescription description;
};

constexpr Entry kResults[] = {
    {BRIDGE_RESULT_NONE,
     {"no outcome",
      "The plugin ended without an outcome: the run was cancelled, or the vendor USB library "
      "could not be loaded. The drive was not changed by this run unless a write attempt had "
      "begun.",
      kExitFailure}},
    {BRIDGE_RESULT_DRIVE_MISMATCH,
     {"drive mismatch",
      "The one attached drive is not the drive asked for: its serial number or product id "
      "differs, or the vendor id is not one the plugin accepts. Nothing was written.",
      BRIDGE_RESULT_DRIVE_MISMATCH}},
    {BRIDGE_RESULT_NO_DRIVE,
     {"no drive",
      "No attached drive has a device id that begins with one of the prefixes. Nothing was "
      "written.",
      BRIDGE_RESULT_NO_DRIVE}},
    {BRIDGE_RESULT_MULTIPLE_DRIVES,
     {"several drives",
      "More than one supported drive is attached; attach only the drive to update. Nothing was "
      "written.",
      BRIDGE_RESULT_MULTIPLE_DRIVES}},
    {BRIDGE_RESULT_UPGRADE_FAILED,
     {"update failed",
      "The firmware could not be written and verified in four attempts. At least one bank "
      "still holds a working image when one did before.",
      BRIDGE_RESULT_UPGRADE_FAILED}},
    {BRIDGE_RESULT_UPGRADE_SUCCEEDED,
     {"updated",
      "The new firmware was written to both banks and verified, and the bridge chip was reset.",
      kExitSuccess}},
};

}  // namespace

bool DescribeResult(int32_t resultCode, ResultDescription& description) {
  for (const Entry& entry : kResults) {
    if (entry.code == resultCode) {
      description = entry.description;
      return true;
    }
  }
  return false;
}

}  // namespace bridgefw::cli
