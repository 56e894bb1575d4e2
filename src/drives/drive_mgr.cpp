#include "drives/drive_mgr.h"

#include <atomic>
#include <utility>

#include "diag/program_exception.h"
#include "drives/device_interfaces.h"
#include "drives/drive_pid.h"
#include "drives/serial_number.h"
#include "platform/device.h"

namespace bridgefw {
namespace {

std::atomic<DriveMgr*> g_instance{nullptr};

constexpr const WChar* kClassName = u"DriveMgr";
constexpr const WChar* kNoInstance = u"CreateInstance must be called first.";

}  // namespace

DriveMgr::DriveMgr(const std::vector<WString>& prefixes) : m_deviceIdPrefixes(prefixes) {
  Scan();
}

DriveMgr::~DriveMgr() {
  m_deviceIdPrefixes.clear();
  ClearDrives();
}

void DriveMgr::CreateInstance(const std::vector<WString>& prefixes) {
  if (g_instance.load(std::memory_order_acquire) == nullptr) {
    std::unique_ptr<DriveMgr> manager(new DriveMgr(prefixes));
    DriveMgr* expected = nullptr;
    if (g_instance.compare_exchange_strong(expected, manager.get(), std::memory_order_acq_rel)) {
      manager.release();
      return;
    }
  }
  throw ProgramException(kClassName, u"CreateInstance", u"DriveMgr already called.");
}

DriveMgr& DriveMgr::Instance() {
  DriveMgr* manager = g_instance.load(std::memory_order_acquire);
  if (manager == nullptr) throw ProgramException(kClassName, u"Instance", kNoInstance);
  return *manager;
}

bool DriveMgr::Exists() {
  return g_instance.load(std::memory_order_acquire) != nullptr;
}

void DriveMgr::Refresh() {
  if (!Exists()) throw ProgramException(kClassName, u"Refresh", kNoInstance);
  DriveMgr& manager = Instance();
  manager.ClearDrives();
  manager.Scan();
}

void DriveMgr::DestroyInstance() {
  delete g_instance.exchange(nullptr, std::memory_order_acq_rel);
}

void DriveMgr::GetDriveSerialNumbers(std::vector<WString>& serials) const {
  serials.clear();
  for (const auto& entry : m_drives) serials.push_back(entry.first);
}

void DriveMgr::SetCurrentDrive(const WString& serial) {
  Instance().m_currentDrive = serial;
}

TamrinDrive& DriveMgr::GetDrive(const WString& serial) {
  const auto found = m_drives.find(serial);
  if (found == m_drives.end()) ProgramException::AssertionFailure(u".\\DriveMgr.cpp", 1062);
  return *found->second;
}

TamrinDrive& DriveMgr::GetCurrentDrive() {
  DriveMgr& manager = Instance();
  return manager.GetDrive(manager.m_currentDrive);
}

int32_t DriveMgr::GetCurrentDrivePid() {
  return ParseDrivePid(GetParentDeviceId(GetCurrentDrive().m_devInst));
}

WString DriveMgr::GetCurrentDriveSerialNumber() {
  return ReadSerialNumber(GetCurrentDrive().m_devicePath);
}

bool DriveMgr::IsAcceptedId(const WString& id) const {
  for (const WString& prefix : m_deviceIdPrefixes) {
    // Anchored and case-sensitive; an empty prefix accepts every id.
    if (id.compare(0, prefix.size(), prefix) == 0) return true;
  }
  return false;
}

void DriveMgr::Scan() {
  const DeviceInterfaces interfaces(platform::kGuidDevinterfaceDisk);
  for (int32_t i = 0; i < interfaces.GetCount(); ++i) {
    const DeviceInterface& entry = interfaces.GetAt(i);
    // An entry whose detail could not be had names no device it could
    // open, so it is never a drive, not even for an empty prefix.
    if (!entry.HasDetail()) continue;
    if (!IsAcceptedId(GetDeviceId(entry.GetDevInst()))) continue;
    auto drive = std::make_unique<TamrinDrive>(entry);
    const WString serial = ReadSerialNumber(drive->m_devicePath);
    // A later disk with the same serial number replaces the earlier one,
    // whose record is released here.
    m_drives[serial] = std::move(drive);
  }
}

void DriveMgr::ClearDrives() {
  m_drives.clear();
}

}  // namespace bridgefw
