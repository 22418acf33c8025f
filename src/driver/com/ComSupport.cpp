#include "driver/com/ComSupport.h"

#include <oleauto.h>

#include "platform/Error.h"
#include "platform/SystemMessage.h"

namespace kelvane {

namespace {

std::u16string FromBstr(BSTR AText) {
  if (AText == nullptr) {
    return {};
  }
  return std::u16string(reinterpret_cast<const char16_t*>(AText), SysStringLen(AText));
}

bool SupportsErrorInfo(IDispatch* AObject) {
  if (AObject == nullptr) {
    return false;
  }
  TComPtr<ISupportErrorInfo> support;
  return SUCCEEDED(AObject->QueryInterface(IID_ISupportErrorInfo,
                                           reinterpret_cast<void**>(support.Out()))) &&
         support && support->InterfaceSupportsErrorInfo(IID_IDispatch) == S_OK;
}

}  // namespace

TBstr::TBstr(std::u16string_view AText)
    : FValue(SysAllocStringLen(reinterpret_cast<const OLECHAR*>(AText.data()),
                               static_cast<UINT>(AText.size()))) {
  if (FValue == nullptr) {
    ThrowComError(E_OUTOFMEMORY);
  }
}

TBstr::~TBstr() {
  SysFreeString(FValue);
}

TVariant::TVariant() {
  VariantInit(&FValue);
}

TVariant::~TVariant() {
  VariantClear(&FValue);
}

void ThrowComError(HRESULT AResult, EXCEPINFO* AException, IDispatch* AObject) {
  std::u16string message;
  if (AException != nullptr) {
    if (AException->pfnDeferredFillIn != nullptr) {
      AException->pfnDeferredFillIn(AException);
      AException->pfnDeferredFillIn = nullptr;
    }
    message = FromBstr(AException->bstrDescription);
    if (message.empty() && FAILED(AException->scode)) {
      message = SystemMessage(static_cast<unsigned long>(AException->scode));
    }
  }
  if (message.empty() && SupportsErrorInfo(AObject)) {
    TComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.Out()) == S_OK && info) {
      BSTR description = nullptr;
      if (SUCCEEDED(info->GetDescription(&description))) {
        message = FromBstr(description);
        SysFreeString(description);
      }
    }
  }
  if (message.empty()) {
    message = SystemMessage(static_cast<unsigned long>(AResult));
  }
  throw EError(message);
}

// Fills a VARIANT from a property value, in the automation type the driver declares.
void ToVariant(const TDriverValue& AValue, VARIANT& AVariant) {
  if (const auto* integer = std::get_if<std::int32_t>(&AValue)) {
    AVariant.vt = VT_I4;
    AVariant.lVal = *integer;
  } else if (const auto* boolean = std::get_if<bool>(&AValue)) {
    AVariant.vt = VT_BOOL;
    AVariant.boolVal = *boolean ? VARIANT_TRUE : VARIANT_FALSE;
  } else if (const auto* date = std::get_if<TDateTimeValue>(&AValue)) {
    AVariant.vt = VT_DATE;
    AVariant.date = date->Value;
  } else {
    const auto& text = std::get<std::u16string>(AValue);
    AVariant.vt = VT_BSTR;
    AVariant.bstrVal = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()),
                                         static_cast<UINT>(text.size()));
    if (AVariant.bstrVal == nullptr) {
      ThrowComError(E_OUTOFMEMORY);
    }
  }
}

TDriverValue FromVariant(TTarvikType AType, VARIANT& AVariant) {
  static constexpr VARTYPE kTypes[] = {VT_I4, VT_BOOL, VT_DATE, VT_BSTR};
  TVariant converted;
  const HRESULT result =
      VariantChangeType(converted.Get(), &AVariant, 0, kTypes[static_cast<int>(AType)]);
  if (FAILED(result)) {
    ThrowComError(result);
  }
  const VARIANT& value = converted.Value();
  switch (AType) {
    case TTarvikType::Integer:
      return std::int32_t{value.lVal};
    case TTarvikType::WordBool:
      return value.boolVal != VARIANT_FALSE;
    case TTarvikType::DateTime:
      return TDateTimeValue{value.date};
    case TTarvikType::WideString:
      break;
  }
  return value.bstrVal == nullptr ? std::u16string()
                                  : std::u16string(reinterpret_cast<const char16_t*>(value.bstrVal),
                                                   SysStringLen(value.bstrVal));
}

}  // namespace kelvane
