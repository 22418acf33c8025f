#pragma once

#include <windows.h>

#include <oaidl.h>

#include <string>

#include "driver/TarvikMembers.h"
#include "platform/WinOwners.h"

namespace kelvane {

// A BSTR, freed on leaving.
class TBstr {
 public:
  explicit TBstr(std::u16string_view AText);
  ~TBstr();
  TBstr(const TBstr&) = delete;
  TBstr& operator=(const TBstr&) = delete;
  BSTR Get() const { return FValue; }

 private:
  BSTR FValue;
};

// A VARIANT, cleared on leaving.
class TVariant {
 public:
  TVariant();
  ~TVariant();
  TVariant(const TVariant&) = delete;
  TVariant& operator=(const TVariant&) = delete;
  VARIANT* Get() { return &FValue; }
  const VARIANT& Value() const { return FValue; }

 private:
  VARIANT FValue;
};

// Raises EError for a failed HRESULT, with the description the object gave or else the system's
// text for the code. The description comes from AException, filled in place when its filling was
// deferred (its strings stay the caller's to free), or from the thread's error info when AObject
// says through ISupportErrorInfo that it sets one for IDispatch.
[[noreturn]] void ThrowComError(HRESULT AResult, EXCEPINFO* AException = nullptr,
                                IDispatch* AObject = nullptr);

// Fills a VARIANT (cleared or fresh) from a property value, in the automation type the driver
// declares for it.
void ToVariant(const TDriverValue& AValue, VARIANT& AVariant);
// A property value of the given type from a VARIANT, converted as automation converts; raises
// EError when it cannot be.
TDriverValue FromVariant(TTarvikType AType, VARIANT& AVariant);

}  // namespace kelvane
