#include "driver/win/ComSupport.h"

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

void ThrowComError(HRESULT AResult, const EXCEPINFO* AException) {
  std::u16string message;
  if (AException != nullptr) {
    EXCEPINFO filled = *AException;
    if (filled.pfnDeferredFillIn != nullptr) {
      filled.pfnDeferredFillIn(&filled);
    }
    message = FromBstr(filled.bstrDescription);
    if (message.empty() && FAILED(filled.scode)) {
      message = SystemMessage(static_cast<unsigned long>(filled.scode));
    }
  }
  if (message.empty()) {
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

}  // namespace kelvane
