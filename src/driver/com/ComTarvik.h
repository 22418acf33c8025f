#pragma once

#include <array>
#include <memory>
#include <optional>

#include "driver/Tarvik.h"
#include "driver/com/ComSupport.h"

namespace kelvane {

// The Tarvik driver's ActiveX control, used without a parent window on the task's own thread,
// whose COM apartment the task engine has set up.
//
// Properties go through IDispatch::Invoke by the driver's dispatch identifiers. Methods go through
// IDispatch::Invoke too, by the identifiers GetIDsOfNames gives, looked up once per control: the
// dual interface's table of functions would need the driver's type library, which we do not have.
class TComTarvik final : public TTarvik {
 public:
  // The control of the driver's registered class (the build's KELVANE_TARVIK_CLASS: a ProgID or
  // a class identifier in braces). Raises EError when the driver is not installed.
  static std::unique_ptr<TComTarvik> Create();
  // That class, as the build names it.
  static std::u16string DriverClass();
  // The control of another registered class, a ProgID or a class identifier in braces.
  static std::unique_ptr<TComTarvik> Create(const std::u16string& AClass);
  // Drives any dispatch object: the driver's control, or a test's stand-in.
  explicit TComTarvik(TComPtr<IDispatch> ADispatch);

  void SetProperty(TTarvikProperty AProperty, const TDriverValue& AValue) override;
  TDriverValue GetProperty(TTarvikProperty AProperty) override;
  std::int32_t Call(TTarvikMethod AMethod) override;

 private:
  DISPID MethodId(TTarvikMethod AMethod);
  void Invoke(DISPID ADispId, WORD AFlags, DISPPARAMS& AParams, VARIANT* AResult);

  TComPtr<IDispatch> FDispatch;
  std::array<std::optional<DISPID>, 12> FMethodIds;
};

}  // namespace kelvane
