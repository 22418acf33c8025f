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

}  // namespace kelvane
