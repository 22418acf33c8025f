#include "driver/com/ComTarvik.h"

#include <oleauto.h>

#include "platform/Error.h"
#include "platform/WinOwners.h"
#include "platform/Text.h"

#ifndef KELVANE_TARVIK_CLASS
#error "KELVANE_TARVIK_CLASS names the driver's registered class; the build sets it"
#endif

namespace kelvane {

namespace {

// Each task's worker is a single-threaded apartment of its own that pumps no messages. A class
// registered without a threading model (or "Single") is created in the process's first apartment,
// and every call would then wait for that thread, the window's, which waits for the workers: the
// tool would hang at its first search. Such a class is refused with a reason instead.
void RefuseSingleThreaded(const std::u16string& AClass, const CLSID& AClassId) {
  wchar_t guid[64] = {};
  StringFromGUID2(AClassId, guid, 64);
  const std::wstring server = std::wstring(L"CLSID\\") + guid + L"\\InprocServer32";
  win32::TRegKey key;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, server.c_str(), 0, KEY_QUERY_VALUE, key.Out()) !=
      ERROR_SUCCESS) {
    // Not registered in process: the creation says so in the system's words.
    return;
  }
  wchar_t model[32] = {};
  DWORD size = sizeof model - sizeof(wchar_t);
  DWORD type = 0;
  const LONG result = RegQueryValueExW(key.Get(), L"ThreadingModel", nullptr, &type,
                                       reinterpret_cast<BYTE*>(model), &size);
  const bool named = result == ERROR_SUCCESS && type == REG_SZ && model[0] != L'\0';
  if (!named || _wcsicmp(model, L"Single") == 0) {
    throw EError(u"Драйвер ККТ (" + AClass + u") зарегистрирован с однопоточной моделью " +
                 u"(ThreadingModel: " +
                 (named ? std::u16string(reinterpret_cast<const char16_t*>(model)) : u"нет") +
                 u"): его вызовы ждали бы главного потока, поэтому он не используется");
  }
}

}  // namespace

std::unique_ptr<TComTarvik> TComTarvik::Create() {
  return Create(DriverClass());
}

std::u16string TComTarvik::DriverClass() {
  return FromUtf8(KELVANE_TARVIK_CLASS);
}

std::unique_ptr<TComTarvik> TComTarvik::Create(const std::u16string& AClass) {
  const std::u16string& className = AClass;
  const auto* name = reinterpret_cast<LPCOLESTR>(className.c_str());
  CLSID classId{};
  HRESULT result = className.starts_with(u"{") ? CLSIDFromString(name, &classId)
                                               : CLSIDFromProgID(name, &classId);
  if (FAILED(result)) {
    throw EError(u"Драйвер ККТ не установлен (" + className + u")");
  }
  RefuseSingleThreaded(className, classId);
  TComPtr<IDispatch> dispatch;
  // The driver is an ActiveX control: an in-process server only.
  result = CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                            dispatch.OutVoid());
  if (FAILED(result)) {
    ThrowComError(result);
  }
  return std::make_unique<TComTarvik>(std::move(dispatch));
}

TComTarvik::TComTarvik(TComPtr<IDispatch> ADispatch) : FDispatch(std::move(ADispatch)) {
}

void TComTarvik::Invoke(DISPID ADispId, WORD AFlags, DISPPARAMS& AParams, VARIANT* AResult) {
  EXCEPINFO exception{};
  UINT argumentError = 0;
  const HRESULT result = FDispatch->Invoke(ADispId, IID_NULL, LOCALE_USER_DEFAULT, AFlags, &AParams,
                                           AResult, &exception, &argumentError);
  if (FAILED(result)) {
    const bool described = result == DISP_E_EXCEPTION;
    try {
      ThrowComError(result, described ? &exception : nullptr, FDispatch.Get());
    } catch (...) {
      SysFreeString(exception.bstrSource);
      SysFreeString(exception.bstrDescription);
      SysFreeString(exception.bstrHelpFile);
      throw;
    }
  }
}

void TComTarvik::SetProperty(TTarvikProperty AProperty, const TDriverValue& AValue) {
  TVariant argument;
  ToVariant(AValue, *argument.Get());
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS params{argument.Get(), &named, 1, 1};
  Invoke(static_cast<DISPID>(AProperty), DISPATCH_PROPERTYPUT, params, nullptr);
}

TDriverValue TComTarvik::GetProperty(TTarvikProperty AProperty) {
  TVariant value;
  DISPPARAMS params{nullptr, nullptr, 0, 0};
  Invoke(static_cast<DISPID>(AProperty), DISPATCH_PROPERTYGET, params, value.Get());
  return FromVariant(PropertyType(AProperty), *value.Get());
}

DISPID TComTarvik::MethodId(TTarvikMethod AMethod) {
  std::optional<DISPID>& id = FMethodIds.at(static_cast<size_t>(AMethod));
  if (!id) {
    const std::u16string name = FromAscii(MethodName(AMethod));
    auto* names = const_cast<LPOLESTR>(reinterpret_cast<LPCOLESTR>(name.c_str()));
    DISPID found = DISPID_UNKNOWN;
    const HRESULT result =
        FDispatch->GetIDsOfNames(IID_NULL, &names, 1, LOCALE_USER_DEFAULT, &found);
    if (FAILED(result)) {
      ThrowComError(result, nullptr, FDispatch.Get());
    }
    id = found;
  }
  return *id;
}

std::int32_t TComTarvik::Call(TTarvikMethod AMethod) {
  TVariant result;
  DISPPARAMS params{nullptr, nullptr, 0, 0};
  Invoke(MethodId(AMethod), DISPATCH_METHOD, params, result.Get());
  // No result is no success: the method did not say how it went.
  if (result.Value().vt == VT_EMPTY) {
    throw EError(u"Метод драйвера " + FromAscii(MethodName(AMethod)) + u" не вернул результат");
  }
  return std::get<std::int32_t>(FromVariant(TTarvikType::Integer, *result.Get()));
}

}  // namespace kelvane
