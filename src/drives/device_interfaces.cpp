#include "drives/device_interfaces.h"

#include <cstring>
#include <new>

#include "diag/program_exception.h"
#include "platform/error.h"
#include "platform/fault.h"

namespace bridgefw {
namespace {

constexpr const WChar* kSourceFile = u".\\DeviceInterfaces.cpp";
constexpr uint32_t kDeviceIdBufferLength = 256;

// A detail record of `size` bytes (at least the record's own size) with its
// size field set; null when none can be had.
platform::DeviceInterfaceDetail* AllocateDetail(uint32_t size) {
  if (platform::ShouldFail(platform::FaultSite::kAllocInterfaceDetail)) return nullptr;
  void* storage = ::operator new(size, std::nothrow);
  if (storage == nullptr) return nullptr;
  auto* detail = new (storage) platform::DeviceInterfaceDetail{};
  detail->cbSize = platform::kDeviceInterfaceDetailSize;
  return detail;
}

}  // namespace

void DeviceInterface::DetailDeleter::operator()(platform::DeviceInterfaceDetail* detail) const {
  ::operator delete(detail);
}

DeviceInterface::DeviceInterface(platform::DeviceInfoSet set,
                                 const platform::DeviceInterfaceData& data) {
  uint32_t required = 0;
  if (platform::GetDeviceInterfaceDetail(set, &data, nullptr, 0, &required, nullptr) ||
      platform::GetLastErrorCode() != platform::kErrorInsufficientBuffer) {
    return;
  }
  // The record always has room for its own fixed fields.
  if (required < sizeof(platform::DeviceInterfaceDetail)) {
    required = sizeof(platform::DeviceInterfaceDetail);
  }
  m_detail.reset(AllocateDetail(required));
  if (m_detail == nullptr) ProgramException::AssertionFailure(kSourceFile, 56);
  m_detailSize = required;
  m_devInfoData.cbSize = platform::kDevInfoDataSize;
  if (!platform::GetDeviceInterfaceDetail(set, &data, m_detail.get(), m_detailSize, &required,
                                          &m_devInfoData)) {
    ProgramException::AssertionFailure(kSourceFile, 68);
  }
}

WString DeviceInterface::GetDevicePath() const {
  if (m_detail == nullptr) return WString();
  // The path fills the record behind the size field and ends at its NUL.
  const size_t offset = offsetof(platform::DeviceInterfaceDetail, devicePath);
  const size_t count = (m_detailSize - offset) / sizeof(WChar);
  WString path(count, u'\0');
  std::memcpy(&path[0], reinterpret_cast<const unsigned char*>(m_detail.get()) + offset,
              count * sizeof(WChar));
  const size_t end = path.find(u'\0');
  if (end != WString::npos) path.resize(end);
  return path;
}

DeviceInterfaces::DeviceInterfaces(const platform::Guid& interfaceClass) {
  platform::DeviceInfoSet set = platform::GetPresentDeviceInterfaces(interfaceClass);
  if (set == nullptr) return;
  platform::DeviceInterfaceData data{};
  data.cbSize = platform::kDeviceInterfaceDataSize;
  for (uint32_t index = 0; platform::EnumDeviceInterface(set, interfaceClass, index, &data);
       ++index) {
    // Whatever goes wrong with one entry ends the list there; the entry
    // built so far is released with its detail record.
    try {
      auto entry = std::make_unique<DeviceInterface>(set, data);
      m_entries.push_back(std::move(entry));
    } catch (...) {
      break;
    }
  }
  platform::DestroyDeviceInfoSet(set);
}

DeviceInterfaces::~DeviceInterfaces() {
  m_entries.clear();
}

int32_t DeviceInterfaces::GetCount() const {
  return static_cast<int32_t>(m_entries.size());
}

const DeviceInterface& DeviceInterfaces::GetAt(int32_t index) const {
  return *m_entries.at(static_cast<size_t>(index));
}

WString GetDeviceId(uint32_t devInst) {
  WChar buffer[kDeviceIdBufferLength] = {};
  if (platform::GetDeviceInstanceId(devInst, buffer, kDeviceIdBufferLength, 0) !=
      platform::kCrSuccess) {
    return WString();
  }
  return WString(buffer);
}

}  // namespace bridgefw
