#include "platform/sg_io_posix.h"

#include <fcntl.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>

#include <cerrno>

#include "platform/errno_posix.h"
#include "platform/error.h"
#include "platform/scsi.h"

namespace bridgefw::platform {
namespace {

// Host and driver status values of the SCSI midlayer.
constexpr unsigned kHostTimeOut = 0x03;  // DID_TIME_OUT
constexpr unsigned kDriverMask = 0x0F;
constexpr unsigned kDriverTimeout = 0x06;  // DRIVER_TIMEOUT
constexpr unsigned kDriverSense = 0x08;    // DRIVER_SENSE

int DxferDirection(const ScsiExchange& exchange) {
  if (exchange.dataLength == 0 || exchange.data == nullptr) return SG_DXFER_NONE;
  return exchange.direction == DataDirection::kIn    ? SG_DXFER_FROM_DEV
         : exchange.direction == DataDirection::kOut ? SG_DXFER_TO_DEV
                                                     : SG_DXFER_NONE;
}

}  // namespace

int OpenSgDevice(const std::string& nativePath, uint32_t& error) {
  int fd = -1;
  do {
    fd = open(nativePath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    // A device node without a device behind it is "not found" as well.
    error = errno == ENXIO || errno == ENODEV ? kErrorFileNotFound : ErrorFromErrno(errno);
  }
  return fd;
}

bool RunSgIo(int fd, ScsiExchange& exchange, uint32_t& error) {
  sg_io_hdr_t header{};
  header.interface_id = 'S';
  header.dxfer_direction = DxferDirection(exchange);
  header.cmd_len = static_cast<unsigned char>(exchange.cdbLength);
  header.cmdp = const_cast<unsigned char*>(exchange.cdb);
  header.mx_sb_len = static_cast<unsigned char>(sizeof exchange.sense);
  header.sbp = exchange.sense;
  header.dxfer_len = header.dxfer_direction == SG_DXFER_NONE ? 0 : exchange.dataLength;
  header.dxferp = header.dxfer_direction == SG_DXFER_NONE ? nullptr : exchange.data;
  header.timeout = exchange.timeoutMs;

  if (ioctl(fd, SG_IO, &header) != 0) {
    error = errno == ENOTTY || errno == EINVAL ? kErrorInvalidFunction : ErrorFromErrno(errno);
    return false;
  }
  const unsigned driver = header.driver_status & kDriverMask;
  if (header.host_status == kHostTimeOut || driver == kDriverTimeout) {
    error = kErrorSemTimeout;
    return false;
  }
  if (header.host_status != 0) {
    error = kErrorIoDevice;
    return false;
  }
  exchange.senseLength = header.sb_len_wr;
  exchange.status = static_cast<uint8_t>(header.status & 0x7E);
  if (exchange.status == kScsiStatusGood && driver == kDriverSense && header.sb_len_wr > 0) {
    exchange.status = kScsiStatusCheckCondition;
  }
  const int moved = static_cast<int>(header.dxfer_len) - header.resid;
  exchange.transferred = moved > 0 ? static_cast<uint32_t>(moved) : 0;
  return true;
}

}  // namespace bridgefw::platform
