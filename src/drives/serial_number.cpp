#include "drives/serial_number.h"

#include <memory>
#include <vector>

#include "drives/pass_through.h"
#include "drives/serial_page.h"
#include "platform/error.h"

namespace bridgefw {
namespace {

constexpr uint32_t kErrorInvalidData = 13;

struct DeviceCloser {
  void operator()(platform::DeviceObject* device) const { platform::CloseDevice(device); }
};

}  // namespace

uint32_t InquireUnitSerialNumber(platform::DeviceObject* device, uint8_t* buffer) {
  PassThroughRequest record = MakeInquirySerialNumberRequest(buffer);
  uint32_t bytes = 0;
  if (!SendPassThrough(device, &record, kPassThroughRequestSize, &record, kPassThroughRequestSize,
                       &bytes)) {
    const uint32_t error = platform::GetLastErrorCode();
    if (error != platform::kErrorSuccess) return error;
  }
  return record.header.scsiStatus != platform::kScsiStatusGood ? kErrorInvalidData : 0;
}

WString ReadSerialNumber(const WString& devicePath) {
  WString serial;
  const std::unique_ptr<platform::DeviceObject, DeviceCloser> device(
      platform::OpenDevice(devicePath, platform::DeviceIoMode::kSynchronous));
  if (device == nullptr) return serial;

  std::vector<uint8_t> buffer(kSerialNumberBufferSize, 0);
  if (InquireUnitSerialNumber(device.get(), buffer.data()) == 0) {
    serial = SerialNumberFromPage(buffer.data(), buffer.size());
  }
  return CleanSerialNumber(serial);
}

}  // namespace bridgefw
