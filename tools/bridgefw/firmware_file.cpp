#include "firmware_file.h"

#include <cstdio>

#include "bridge/firmware_image.h"
#include "file_io.h"

namespace bridgefw::cli {

bool LoadFirmwareFile(const std::string& path, FirmwareFile& file, std::string& error) {
  std::vector<uint8_t> bytes;
  if (!ReadFilePrefix(path, kFirmwareImageSize, bytes, file.fileSize, error)) return false;
  bytes.resize(kFirmwareImageSize, 0);
  file.image = std::move(bytes);
  return true;
}

std::string ImageCheck::RejectReason() const {
  if (!signatureOk) return "the signature at 0xBFF0 is not 55 AA AA 55";
  if (!modelOk) return "the model at 0xBFF4 does not begin with \"847\"";
  return std::string();
}

ImageCheck CheckImage(const uint8_t* image) {
  ImageCheck check;
  const uint8_t* signature = image + kFirmwareSignatureOffset;
  check.signatureOk =
      signature[0] == 0x55 && signature[1] == 0xAA && signature[2] == 0xAA && signature[3] == 0x55;
  const uint8_t* model = image + kFirmwareModelOffset;
  check.modelOk = model[0] == '8' && model[1] == '4' && model[2] == '7';
  check.storedCrc = StoredFirmwareCrc(image);
  check.computedCrc = ComputeFirmwareCrc(0, image);
  return check;
}

std::string ModelText(const uint8_t* image) {
  std::string text;
  for (size_t i = 0; i < 4; ++i) {
    const uint8_t c = image[kFirmwareModelOffset + i];
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      text += static_cast<char>(c);
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
      text += escaped;
    }
  }
  return text;
}

std::string FormatCrc(uint16_t crc) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%04X", crc);
  return text;
}

}  // namespace bridgefw::cli
