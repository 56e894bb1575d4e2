// Message records: the catalogue of 37 ids, the record classes whose layout
// the host shares (include/bridgefw/host_api.h), and the factory.
//
// CreateMsgFromId and MsgNameFromId may be called from any thread. Records
// without payload are process-wide singletons built on first use; the six
// records with payload are new on every call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>

#include "fwupd/object.h"
#include "platform/text.h"

namespace bridgefw {

class CZtFwUpdMsg : public CZtFwUpdObject {
 public:
  ~CZtFwUpdMsg() override = default;
  const char* GetRuntimeClassName() const override { return "CZtFwUpdMsg"; }
  virtual int32_t GetMsgId() const { return msgId; }

  // Allocation of records goes through here so that a failure can be
  // injected (FaultSite::kAllocMessage); it throws std::bad_alloc.
  static void* operator new(std::size_t size);
  static void operator delete(void* memory) noexcept;

  CZtFwUpdMsg(const CZtFwUpdMsg&) = delete;
  CZtFwUpdMsg& operator=(const CZtFwUpdMsg&) = delete;

  int32_t msgId;
  const WChar* msgName;
  uint8_t isPersistent;
  uint8_t isDllMsg;
  uint8_t isRetained;

 private:
  // Explicit tail padding: the header's own size is exactly that of the C
  // header, so a subclass's first field lands where the C payload begins.
  uint8_t m_reserved[sizeof(void*) == 8 ? 5 : 1];

 protected:
  CZtFwUpdMsg(int32_t id, const WChar* name, bool persistent, bool dllMsg);
};

// Catalogue name of an id; "Invalid" for ids outside 1 to 36.
const WChar* MsgNameFromId(int32_t id);

// The record for `id`: the Invalid singleton for ids outside 1 to 36, the
// id's singleton for ids without payload, a new record for ids 4, 9, 10,
// 12, 13 and 14. Null when the allocation fails; the failure is then also
// written to the application log (which raises its missing-instance report
// when there is no log).
CZtFwUpdMsg* CreateMsgFromId(int32_t id);

}  // namespace bridgefw
