/*
 * bridgefw host interface.
 *
 * Everything a host application needs to drive the plugin: the message ids,
 * the record layouts that host and plugin share, the result codes carried
 * by DllReadyForUnload, and the exported functions.
 *
 * The header compiles as C99 and as C++. Every record begins with the same
 * header; payload fields follow it. On 32-bit targets the offsets are fixed
 * (checked below); on 64-bit targets pointer-sized fields grow and the field
 * order is the same.
 *
 * Ownership: the host obtains every record it sends with AllocFwUpdDllMsg,
 * fills it in and gives it away with SendFwUpdDllMsg, or hands it back with
 * DeleteDllMsg. The plugin lends the host one record, DllReadyForUnload; the
 * host hands it back with DeleteDllMsg. Records without payload are shared
 * singletons that are never deleted.
 */
#ifndef BRIDGEFW_HOST_API_H
#define BRIDGEFW_HOST_API_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__) && defined(__ELF__)
#define BRIDGEFW_EXPORT __attribute__((visibility("default")))
#else
#define BRIDGEFW_EXPORT
#endif

/* The interface version returned by GetFwUpdDllVersion. */
#define BRIDGEFW_INTERFACE_VERSION 243

/* Message ids. Any other id yields the Invalid record. */
enum BridgeMsgId {
  BRIDGE_MSG_INVALID = 0,
  BRIDGE_MSG_STATE_ENTER = 1,
  BRIDGE_MSG_STATE_START = 2,
  BRIDGE_MSG_STATE_EXIT = 3,
  BRIDGE_MSG_DELAY_START = 4,
  BRIDGE_MSG_FIRMWARE_UPDATE_TIMEOUT = 5,
  BRIDGE_MSG_BAR_PROGRESS_TIMEOUT = 6,
  BRIDGE_MSG_TIMEOUT3 = 7,
  BRIDGE_MSG_TIMEOUT4 = 8,
  BRIDGE_MSG_DLL_DATA_INIT = 9,
  BRIDGE_MSG_DLL_UPDATE = 10,
  BRIDGE_MSG_DLL_CANCEL = 11,
  BRIDGE_MSG_DLL_EXIT = 12,
  BRIDGE_MSG_DLL_READY_FOR_UNLOAD = 13,
  BRIDGE_MSG_DLG_CHANGE_PANEL = 14,
  BRIDGE_MSG_APP_BTN_ACCEPT = 15,
  BRIDGE_MSG_APP_BTN_CONTINUE = 16,
  BRIDGE_MSG_APP_BTN_ERASE = 17,
  BRIDGE_MSG_APP_BTN_EXIT = 18,
  BRIDGE_MSG_APP_BTN_INFO = 19,
  BRIDGE_MSG_APP_BTN_MAXIMIZE = 20,
  BRIDGE_MSG_APP_BTN_MINIMIZE = 21,
  BRIDGE_MSG_APP_BTN_OKAY = 22,
  BRIDGE_MSG_APP_BTN_RESCAN = 23,
  BRIDGE_MSG_APP_BTN_UNLOCK = 24,
  BRIDGE_MSG_APP_BTN_UPDATE = 25,
  BRIDGE_MSG_APP_CB_HINT = 26,
  BRIDGE_MSG_APP_CB_UNDERSTAND = 27,
  BRIDGE_MSG_APP_HYP_ABOUT = 28,
  BRIDGE_MSG_APP_HYP_EULA = 29,
  BRIDGE_MSG_APP_HYP_POLICY = 30,
  BRIDGE_MSG_APP_HYP_SUPPORT = 31,
  BRIDGE_MSG_APP_CANCEL = 32,
  BRIDGE_MSG_APP_OK = 33,
  BRIDGE_MSG_APP_DRIVE_UNLOCKED = 34,
  BRIDGE_MSG_APP_DRIVE_LOCKED_OUT = 35,
  BRIDGE_MSG_APP_UI_EXCEPTION = 36
};
#define BRIDGE_MSG_ID_COUNT 37

/* The outcome of a run, carried by DllReadyForUnload. */
enum BridgeResultCode {
  BRIDGE_RESULT_NONE = 0,
  BRIDGE_RESULT_DRIVE_MISMATCH = 11,
  BRIDGE_RESULT_NO_DRIVE = 12,
  BRIDGE_RESULT_MULTIPLE_DRIVES = 13,
  BRIDGE_RESULT_UPGRADE_FAILED = 17,
  BRIDGE_RESULT_UPGRADE_SUCCEEDED = 18
};

/* Priorities of SendFwUpdDllMsg: 1 is high, every other value normal. */
#define BRIDGE_PRIORITY_NORMAL 0
#define BRIDGE_PRIORITY_HIGH 1

/* A list of NUL-terminated UTF-16 strings, owned by the host. */
typedef struct BridgeWideStringList {
  uint32_t count;
  const uint16_t* const* items;
} BridgeWideStringList;

/* The host's window. On Windows appWindow of DllDataInit is an HWND and the
 * plugin posts with PostMessageW. Elsewhere it is a BridgeHostWindow of the
 * host: post must not block and returns non-zero when the message was
 * queued for the host. wparam carries the lent record's address. */
typedef struct BridgeHostWindow BridgeHostWindow;
struct BridgeHostWindow {
  int (*post)(BridgeHostWindow* self, uint32_t message, uintptr_t wparam, intptr_t lparam);
};

/* The header of every record. The host never writes operationTable or
 * reserved; it reads the other fields. */
typedef struct BridgeMsgHeader {
  const void* operationTable; /* set by the plugin */
  int32_t msgId;              /* 0 to 36 */
  const uint16_t* msgName;    /* constant UTF-16 name inside the plugin */
  uint8_t isPersistent;       /* 1: never deleted by the framework */
  uint8_t isDllMsg;           /* 1: a message of the host interface */
  uint8_t isRetained;         /* always 0 */
  uint8_t reserved[1];
} BridgeMsgHeader;

/* DelayStart (id 4). */
typedef struct BridgeMsgDelayStart {
  BridgeMsgHeader header;
  uint32_t delayValue;
} BridgeMsgDelayStart;

/* DllDataInit (id 9), host to plugin: the host link. Zero when allocated. */
typedef struct BridgeMsgDllDataInit {
  BridgeMsgHeader header;
  uint32_t appMessage; /* window message number for the plugin's posts */
  uint32_t initWord1;
  void* appWindow; /* the window that receives the posts */
  uint32_t initWord2;
  void* pluginModule; /* the host's load handle of the plugin library */
} BridgeMsgDllDataInit;

#define BRIDGE_SERIAL_NUMBER_UNITS 32
#define BRIDGE_FIRMWARE_PATH_UNITS 2052

/* DllUpdate (id 10), host to plugin: what to update. Not initialised when
 * allocated; the host fills every field the plugin reads. */
typedef struct BridgeMsgDllUpdate {
  BridgeMsgHeader header;
  uint8_t unused[2048];
  uint16_t serialNumber[BRIDGE_SERIAL_NUMBER_UNITS]; /* at most 31 units are used */
  uint32_t productId;
  uint32_t vendorId;
  uint32_t updateWord;
  const BridgeWideStringList* deviceIdPrefixes;      /* accepted device instance id prefixes */
  uint16_t firmwarePath[BRIDGE_FIRMWARE_PATH_UNITS]; /* NUL-terminated */
} BridgeMsgDllUpdate;

/* DllReadyForUnload (id 13), lent by the plugin to the host. */
typedef struct BridgeMsgDllReadyForUnload {
  BridgeMsgHeader header;
  void* threadHandle; /* the control thread; wait for its end */
  int32_t resultCode; /* enum BridgeResultCode */
} BridgeMsgDllReadyForUnload;

/* DlgChangePanel (id 14). */
typedef struct BridgeMsgDlgChangePanel {
  BridgeMsgHeader header;
  uint32_t panelParam1;
  uint32_t panelParam2;
} BridgeMsgDlgChangePanel;

/* Exported functions. */
BRIDGEFW_EXPORT void* StartDllControlThread(void);
BRIDGEFW_EXPORT int32_t GetFwUpdDllVersion(void);
BRIDGEFW_EXPORT BridgeMsgHeader* AllocFwUpdDllMsg(int32_t msgId);
BRIDGEFW_EXPORT int32_t SendFwUpdDllMsg(int32_t priority, BridgeMsgHeader* msg);
BRIDGEFW_EXPORT int32_t DeleteDllMsg(BridgeMsgHeader* msg);
BRIDGEFW_EXPORT int32_t PrepareForExit(void);
BRIDGEFW_EXPORT int32_t AppHasReleasedAllDllMsgs(void);

/* Layout checks. C99 has no static_assert; a negative array size stops the
 * compiler instead. */
#ifdef __cplusplus
#define BRIDGE_LAYOUT_CHECK(cond, name) static_assert(cond, #name)
#else
#define BRIDGE_LAYOUT_CHECK(cond, name) typedef char bridge_layout_check_##name[(cond) ? 1 : -1]
#endif

#define BRIDGE_OFFSET_IS(type, field, off32, name) \
  BRIDGE_LAYOUT_CHECK(sizeof(void*) != 4 || offsetof(type, field) == (off32), name)

BRIDGE_OFFSET_IS(BridgeMsgHeader, operationTable, 0, header_table);
BRIDGE_OFFSET_IS(BridgeMsgHeader, msgId, 4, header_id);
BRIDGE_OFFSET_IS(BridgeMsgHeader, msgName, 8, header_name);
BRIDGE_OFFSET_IS(BridgeMsgHeader, isPersistent, 12, header_persistent);
BRIDGE_OFFSET_IS(BridgeMsgHeader, isDllMsg, 13, header_dll);
BRIDGE_OFFSET_IS(BridgeMsgHeader, isRetained, 14, header_retained);
BRIDGE_LAYOUT_CHECK(sizeof(void*) != 4 || sizeof(BridgeMsgHeader) == 16, header_size);

BRIDGE_OFFSET_IS(BridgeMsgDelayStart, delayValue, 16, delay_value);
BRIDGE_LAYOUT_CHECK(sizeof(void*) != 4 || sizeof(BridgeMsgDelayStart) == 20, delay_size);

BRIDGE_OFFSET_IS(BridgeMsgDllDataInit, appMessage, 16, init_message);
BRIDGE_OFFSET_IS(BridgeMsgDllDataInit, initWord1, 20, init_word1);
BRIDGE_OFFSET_IS(BridgeMsgDllDataInit, appWindow, 24, init_window);
BRIDGE_OFFSET_IS(BridgeMsgDllDataInit, initWord2, 28, init_word2);
BRIDGE_OFFSET_IS(BridgeMsgDllDataInit, pluginModule, 32, init_module);
BRIDGE_LAYOUT_CHECK(sizeof(void*) != 4 || sizeof(BridgeMsgDllDataInit) == 36, init_size);

BRIDGE_OFFSET_IS(BridgeMsgDllUpdate, unused, 16, update_unused);
BRIDGE_OFFSET_IS(BridgeMsgDllUpdate, serialNumber, 2064, update_serial);
BRIDGE_OFFSET_IS(BridgeMsgDllUpdate, productId, 2128, update_pid);
BRIDGE_OFFSET_IS(BridgeMsgDllUpdate, vendorId, 2132, update_vid);
BRIDGE_OFFSET_IS(BridgeMsgDllUpdate, updateWord, 2136, update_word);
BRIDGE_OFFSET_IS(BridgeMsgDllUpdate, deviceIdPrefixes, 2140, update_prefixes);
BRIDGE_OFFSET_IS(BridgeMsgDllUpdate, firmwarePath, 2144, update_path);
BRIDGE_LAYOUT_CHECK(sizeof(void*) != 4 || sizeof(BridgeMsgDllUpdate) == 6248, update_size);

BRIDGE_OFFSET_IS(BridgeMsgDllReadyForUnload, threadHandle, 16, unload_thread);
BRIDGE_OFFSET_IS(BridgeMsgDllReadyForUnload, resultCode, 20, unload_result);
BRIDGE_LAYOUT_CHECK(sizeof(void*) != 4 || sizeof(BridgeMsgDllReadyForUnload) == 24, unload_size);

BRIDGE_OFFSET_IS(BridgeMsgDlgChangePanel, panelParam1, 16, panel_param1);
BRIDGE_OFFSET_IS(BridgeMsgDlgChangePanel, panelParam2, 20, panel_param2);
BRIDGE_LAYOUT_CHECK(sizeof(void*) != 4 || sizeof(BridgeMsgDlgChangePanel) == 24, panel_size);

/* The same field order on every target: each payload begins right after the
 * header, and fields follow each other in the order above. */
BRIDGE_LAYOUT_CHECK(offsetof(BridgeMsgHeader, msgId) == sizeof(void*), order_id);
BRIDGE_LAYOUT_CHECK(offsetof(BridgeMsgHeader, isPersistent) ==
                        offsetof(BridgeMsgHeader, msgName) + sizeof(void*),
                    order_flags);
BRIDGE_LAYOUT_CHECK(offsetof(BridgeMsgDllDataInit, appMessage) == sizeof(BridgeMsgHeader),
                    order_init);
BRIDGE_LAYOUT_CHECK(offsetof(BridgeMsgDllUpdate, serialNumber) == sizeof(BridgeMsgHeader) + 2048,
                    order_update);
BRIDGE_LAYOUT_CHECK(offsetof(BridgeMsgDllUpdate, deviceIdPrefixes) >
                        offsetof(BridgeMsgDllUpdate, updateWord),
                    order_prefixes);
BRIDGE_LAYOUT_CHECK(offsetof(BridgeMsgDllReadyForUnload, resultCode) >
                        offsetof(BridgeMsgDllReadyForUnload, threadHandle),
                    order_unload);

#undef BRIDGE_OFFSET_IS

#ifdef __cplusplus
}
#endif

#endif /* BRIDGEFW_HOST_API_H */
