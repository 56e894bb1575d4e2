// A firmware image file as the plugin reads it, and what the plugin would
// make of it: it reads at most 0xC000 bytes, pads a shorter file with
// zeros, replaces the stored CRC with the computed one and then checks the
// signature and the model.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace bridgefw::cli {

struct FirmwareFile {
  std::vector<uint8_t> image;  // kFirmwareImageSize bytes, as the plugin reads them
  uint64_t fileSize = 0;
};

// False with a reason when the file is missing, unreadable or not a
// regular file.
bool LoadFirmwareFile(const std::string& path, FirmwareFile& file, std::string& error);

struct ImageCheck {
  bool signatureOk = false;  // 55 AA AA 55 at 0xBFF0
  bool modelOk = false;      // "847" at 0xBFF4
  uint16_t storedCrc = 0;
  uint16_t computedCrc = 0;

  bool CrcMatches() const { return storedCrc == computedCrc; }
  // What the chip's bank check says: signature, model and stored CRC.
  bool ValidAsStored() const { return signatureOk && modelOk && CrcMatches(); }
  // What the plugin says: it stamps the CRC first, so only signature and
  // model count.
  bool PluginAccepts() const { return signatureOk && modelOk; }
  // Why the plugin rejects the image; empty when it accepts it.
  std::string RejectReason() const;
};

// `image` holds kFirmwareImageSize bytes.
ImageCheck CheckImage(const uint8_t* image);

// The four model characters, with anything unprintable shown as \xNN.
std::string ModelText(const uint8_t* image);

// "0x1A2B".
std::string FormatCrc(uint16_t crc);

}  // namespace bridgefw::cli
