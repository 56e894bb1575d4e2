// The rest of the library's interface: exported because the plugin checks
// that it is there, but never called by the plugin. Each function takes no
// arguments here and fails (0).
#include <cstdint>

#include "omit.h"

#define QNUSB_UNUSED(name) \
  int32_t name(void) {     \
    return 0;              \
  }

extern "C" {

QNUSB_UNUSED(GetDriveList)
QNUSB_UNUSED(ATACBExecute)
#if QNUSB_OMIT_GROUP != 1
QNUSB_UNUSED(ATACBExecuteEx)
#endif

QNUSB_UNUSED(QNSafeRemove)
#if QNUSB_OMIT_GROUP != 2
QNUSB_UNUSED(QNSafeRemoveEx)
#endif

QNUSB_UNUSED(QNGetChipInfo)
QNUSB_UNUSED(QNGetButtonStatus)
#if QNUSB_OMIT_GROUP != 3
QNUSB_UNUSED(QNATAPassThrough)
#endif

QNUSB_UNUSED(QNGetChipInfoEx)
QNUSB_UNUSED(QNGetButtonStatusEx)
#if QNUSB_OMIT_GROUP != 4
QNUSB_UNUSED(QNATAPassThroughEx)
#endif

QNUSB_UNUSED(QNInquiry)
QNUSB_UNUSED(QNSerialFlashRead)
QNUSB_UNUSED(QNSerialFlashProgramming)
QNUSB_UNUSED(QNSerialFlashStatus)
QNUSB_UNUSED(QNSerialFlashChipErase)
QNUSB_UNUSED(QNSerialFlashSectorErase)
#if QNUSB_OMIT_GROUP != 5
QNUSB_UNUSED(QNSerialFlashType)
#endif

QNUSB_UNUSED(QNInquiryEx)
QNUSB_UNUSED(QNSerialFlashReadEx)
QNUSB_UNUSED(QNSerialFlashProgrammingEx)
QNUSB_UNUSED(QNSerialFlashStatusEx)
QNUSB_UNUSED(QNSerialFlashChipEraseEx)
QNUSB_UNUSED(QNSerialFlashSectorEraseEx)
#if QNUSB_OMIT_GROUP != 6
QNUSB_UNUSED(QNSerialFlashTypeEx)
#endif

// The older forms of the flash functions the plugin calls.
QNUSB_UNUSED(QN8XXSerialFlashRead)
QNUSB_UNUSED(QN847ChipRest)

QNUSB_UNUSED(QNGetATACommandStatus)
#if QNUSB_OMIT_GROUP != 8
QNUSB_UNUSED(QNGetATACommandStatusEx)
#endif

QNUSB_UNUSED(QNScsiCdbPassThrough)
#if QNUSB_OMIT_GROUP != 9
QNUSB_UNUSED(QNScsiCdbPassThroughEx)
#endif

QNUSB_UNUSED(QNGetDiskLetterEx)
#if QNUSB_OMIT_GROUP != 10
QNUSB_UNUSED(QNGetUsbId)
#endif

#ifndef QNUSB_OMIT_OPTIONAL
QNUSB_UNUSED(QNSerialFlashVenderWrCMD)
QNUSB_UNUSED(QNSerialFlashVenderReadData)
QNUSB_UNUSED(QNSerialFlashVenderWrCMDEx)
QNUSB_UNUSED(QNSerialFlashVenderReadDataEx)
QNUSB_UNUSED(QN8XXSerialFlashProgramming)
#endif

}  // extern "C"
