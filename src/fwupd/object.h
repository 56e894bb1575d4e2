// CZtFwUpdObject: the common root of the framework's classes. It gives every
// object a run-time type query, a virtual destructor and a serialisation
// hook (which does nothing), in that order, so that records shared with the
// host all begin with an operation table of the same shape.
#pragma once

namespace bridgefw {

class CZtFwUpdObject {
 public:
  virtual const char* GetRuntimeClassName() const { return "CZtFwUpdObject"; }
  virtual ~CZtFwUpdObject() = default;
  virtual void Serialize() {}

 protected:
  CZtFwUpdObject() = default;
  CZtFwUpdObject(const CZtFwUpdObject&) = default;
  CZtFwUpdObject& operator=(const CZtFwUpdObject&) = default;
};

}  // namespace bridgefw
