// kelvane-simdriver.dll: the simulated bench as an in-process COM server, a training driver. Each
// creation gives one control whose properties answer the driver's dispatch identifiers and whose
// methods answer GetIDsOfNames by name; behind them stands the bench (the built-in one, or the
// file named by KELVANE_BENCH). Registered per user, so that "regsvr32 /s" needs no administrator.
#include <windows.h>

#include <oleauto.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <olectl.h>
#include <string>
#include <vector>

#include "driver/sim/SimBench.h"
#include "driver/sim/SimTarvik.h"
#include "driver/win/ComSupport.h"
#include "driver/win/SimDriverClass.h"
#include "platform/Error.h"
#include "platform/Text.h"

namespace kelvane {

namespace {

HMODULE ThisModule = nullptr;
std::atomic<long> LiveObjects{0};
std::atomic<long> Locks{0};

// Method identifiers, above every property's.
constexpr DISPID kFirstMethodId = 10000;

// The bench, loaded once for the whole process at the first control. Each register's state lives
// in it (its status after a recovery, its fault counters, the blocks it loaded, its firmware), as
// it lives in a real register, for every control of the process. So the library stays loaded
// from then on: COM frees an in-process server whose objects are gone when the last apartment
// that used it ends (every search's worker thread, say), and a new load would begin every
// register afresh.
std::shared_ptr<TSimBench> Bench() {
  static std::once_flag loaded;
  std::call_once(loaded, [] {
    UseBenchFromEnvironment();
    HMODULE pinned = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&ThisModule), &pinned);
  });
  return CurrentBench();
}

// The description in the calling thread's error info, where a client finds it after a failure.
void SetThreadErrorDescription(const std::u16string& AMessage) {
  ICreateErrorInfo* create = nullptr;
  if (FAILED(CreateErrorInfo(&create))) {
    return;
  }
  create->SetDescription(const_cast<LPOLESTR>(reinterpret_cast<LPCOLESTR>(AMessage.c_str())));
  create->SetSource(const_cast<LPOLESTR>(kSimDriverProgId));
  IErrorInfo* info = nullptr;
  if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)))) {
    SetErrorInfo(0, info);
    info->Release();
  }
  create->Release();
}

bool KnownProperty(DISPID AId) {
  return PropertyName(static_cast<TTarvikProperty>(AId)) != "?";
}

// One driver control over the bench. It is used on the thread that made it (the apartment), as
// a real control is.
class TSimDriverControl final : public IDispatch, public ISupportErrorInfo {
 public:
  TSimDriverControl() : FDriver(Bench()) { ++LiveObjects; }
  ~TSimDriverControl() { --LiveObjects; }
  TSimDriverControl(const TSimDriverControl&) = delete;
  TSimDriverControl& operator=(const TSimDriverControl&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID AId, void** AObject) override {
    if (AObject == nullptr) {
      return E_POINTER;
    }
    if (AId == IID_IUnknown || AId == IID_IDispatch) {
      *AObject = static_cast<IDispatch*>(this);
    } else if (AId == IID_ISupportErrorInfo) {
      *AObject = static_cast<ISupportErrorInfo*>(this);
    } else {
      *AObject = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++FReferences); }
  ULONG STDMETHODCALLTYPE Release() override {
    const long left = --FReferences;
    if (left == 0) {
      delete this;
    }
    return static_cast<ULONG>(left);
  }

  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID AId) override {
    return AId == IID_IDispatch ? S_OK : S_FALSE;
  }

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* ACount) override {
    *ACount = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }

  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* ANames, UINT ACount, LCID,
                                          DISPID* AIds) override {
    HRESULT result = S_OK;
    for (UINT i = 0; i < ACount; ++i) {
      AIds[i] = DISPID_UNKNOWN;
      const std::u16string name(reinterpret_cast<const char16_t*>(ANames[i]));
      for (const TTarvikMethod method : AllMethods()) {
        if (SameText(name, FromAscii(MethodName(method)))) {
          AIds[i] = kFirstMethodId + static_cast<DISPID>(method);
        }
      }
      if (AIds[i] == DISPID_UNKNOWN) {
        result = DISP_E_UNKNOWNNAME;
      }
    }
    return result;
  }

  HRESULT STDMETHODCALLTYPE Invoke(DISPID AId, REFIID, LCID, WORD AFlags, DISPPARAMS* AParams,
                                   VARIANT* AResult, EXCEPINFO* AException, UINT*) override {
    try {
      if (AId >= kFirstMethodId &&
          AId < kFirstMethodId + static_cast<DISPID>(AllMethods().size())) {
        if ((AFlags & DISPATCH_METHOD) == 0) {
          return DISP_E_MEMBERNOTFOUND;
        }
        const std::int32_t code = FDriver.Call(static_cast<TTarvikMethod>(AId - kFirstMethodId));
        if (AResult != nullptr) {
          VariantInit(AResult);
          AResult->vt = VT_I4;
          AResult->lVal = code;
        }
        return S_OK;
      }
      if (!KnownProperty(AId)) {
        return DISP_E_MEMBERNOTFOUND;
      }
      const auto property = static_cast<TTarvikProperty>(AId);
      if (AFlags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        if (AParams == nullptr || AParams->cArgs != 1) {
          return DISP_E_BADPARAMCOUNT;
        }
        FDriver.SetProperty(property, FromVariant(PropertyType(property), AParams->rgvarg[0]));
        return S_OK;
      }
      if ((AFlags & DISPATCH_PROPERTYGET) == 0 || AResult == nullptr) {
        return DISP_E_MEMBERNOTFOUND;
      }
      VariantInit(AResult);
      ToVariant(FDriver.GetProperty(property), *AResult);
      return S_OK;
    } catch (...) {
      return Fail(CurrentExceptionMessage(), AException);
    }
  }

 private:
  static bool SameText(const std::u16string& ALeft, const std::u16string& ARight) {
    return CompareStringOrdinal(reinterpret_cast<LPCWCH>(ALeft.c_str()), -1,
                                reinterpret_cast<LPCWCH>(ARight.c_str()), -1, TRUE) == CSTR_EQUAL;
  }

  // As a real control fails: the description in the exception and in the thread's error info.
  static HRESULT Fail(const std::u16string& AMessage, EXCEPINFO* AException) {
    SetThreadErrorDescription(AMessage);
    const auto* text = reinterpret_cast<const OLECHAR*>(AMessage.c_str());
    if (AException == nullptr) {
      return E_FAIL;
    }
    *AException = EXCEPINFO{};
    AException->bstrSource = SysAllocString(kSimDriverProgId);
    AException->bstrDescription = SysAllocString(text);
    AException->scode = E_FAIL;
    return DISP_E_EXCEPTION;
  }

  std::atomic<long> FReferences{1};
  TSimTarvik FDriver;
};

class TClassFactory final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID AId, void** AObject) override {
    if (AId == IID_IUnknown || AId == IID_IClassFactory) {
      *AObject = this;
      return S_OK;
    }
    *AObject = nullptr;
    return E_NOINTERFACE;
  }
  // The factory is static: it lives as long as the library.
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* AOuter, REFIID AId, void** AObject) override {
    if (AObject == nullptr) {
      return E_POINTER;
    }
    *AObject = nullptr;
    if (AOuter != nullptr) {
      return CLASS_E_NOAGGREGATION;
    }
    try {
      auto* control = new TSimDriverControl();
      const HRESULT result = control->QueryInterface(AId, AObject);
      control->Release();
      return result;
    } catch (...) {
      // A bench file that cannot be read, for one: the control cannot be made.
      SetThreadErrorDescription(CurrentExceptionMessage());
      return E_FAIL;
    }
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL ALock) override {
    ALock ? ++Locks : --Locks;
    return S_OK;
  }
};

TClassFactory Factory;

std::wstring Guid(REFGUID AGuid) {
  wchar_t text[64] = {};
  StringFromGUID2(AGuid, text, 64);
  return text;
}

const std::wstring kClasses = L"Software\\Classes\\";

LONG SetKey(const std::wstring& APath, const wchar_t* AName, const std::wstring& AValue) {
  HKEY key = nullptr;
  LONG result = RegCreateKeyExW(HKEY_CURRENT_USER, APath.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                nullptr, &key, nullptr);
  if (result == ERROR_SUCCESS) {
    result = RegSetValueExW(key, AName, 0, REG_SZ, reinterpret_cast<const BYTE*>(AValue.c_str()),
                            static_cast<DWORD>((AValue.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
  }
  return result;
}

// A name given on regsvr32's command line becomes a key under the user's classes, so it must be
// shaped as a ProgID: a letter first, then letters, digits, "_" and at least one inner ".", at
// most 39 characters. No "\\" can reach another key then, no brace a class identifier, and no
// name of the classes' own keys (CLSID, Interface, TypeLib, AppID, a file extension) has that
// shape.
bool ProgIdShaped(const wchar_t* AName) {
  const std::wstring name(AName);
  const auto letter = [](wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); };
  if (name.empty() || name.size() > 39 || !letter(name.front()) || name.back() == L'.' ||
      name.find(L'.') == std::wstring::npos) {
    return false;
  }
  for (const wchar_t c : name) {
    if (!letter(c) && !(c >= L'0' && c <= L'9') && c != L'_' && c != L'.') {
      return false;
    }
  }
  return true;
}

// Whether the user's ProgID of that name names the training driver's class.
bool NamesThisClass(const std::wstring& AProgId) {
  wchar_t value[64] = {};
  DWORD size = sizeof value;
  return RegGetValueW(HKEY_CURRENT_USER, (kClasses + AProgId + L"\\CLSID").c_str(), nullptr,
                      RRF_RT_REG_SZ, nullptr, value, &size) == ERROR_SUCCESS &&
         _wcsicmp(value, Guid(kSimDriverClassId).c_str()) == 0;
}

// The class, and a ProgID naming it, under the user's own classes.
HRESULT Register(const std::wstring& AProgId) {
  wchar_t path[MAX_PATH] = {};
  if (GetModuleFileNameW(ThisModule, path, MAX_PATH) == 0) {
    return SELFREG_E_CLASS;
  }
  const std::wstring clsid = kClasses + L"CLSID\\" + Guid(kSimDriverClassId);
  const LONG results[] = {
      SetKey(clsid, nullptr, L"Kelvane training driver"),
      SetKey(clsid + L"\\InprocServer32", nullptr, path),
      SetKey(clsid + L"\\InprocServer32", L"ThreadingModel", L"Apartment"),
      SetKey(clsid + L"\\ProgID", nullptr, kSimDriverProgId),
      SetKey(kClasses + AProgId, nullptr, L"Kelvane training driver"),
      SetKey(kClasses + AProgId + L"\\CLSID", nullptr, Guid(kSimDriverClassId)),
  };
  for (const LONG result : results) {
    if (result != ERROR_SUCCESS) {
      return SELFREG_E_CLASS;
    }
  }
  return S_OK;
}

// A ProgID of the user's, only when it names this class: any other program's stays as it is.
HRESULT UnregisterProgId(const std::wstring& AProgId) {
  if (!NamesThisClass(AProgId)) {
    return SELFREG_E_CLASS;
  }
  const LONG result = RegDeleteTreeW(HKEY_CURRENT_USER, (kClasses + AProgId).c_str());
  return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND ? S_OK : SELFREG_E_CLASS;
}

// The class and every name of the user's that points at it: a name left behind would hide a
// driver of the same name registered for the machine.
HRESULT UnregisterAll() {
  std::vector<std::wstring> names;
  HKEY classes = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kClasses.c_str(), 0, KEY_ENUMERATE_SUB_KEYS, &classes) ==
      ERROR_SUCCESS) {
    wchar_t name[256];
    for (DWORD index = 0;; ++index) {
      DWORD length = 256;
      const LONG result =
          RegEnumKeyExW(classes, index, name, &length, nullptr, nullptr, nullptr, nullptr);
      if (result == ERROR_MORE_DATA) {
        continue;
      }
      if (result != ERROR_SUCCESS) {
        break;
      }
      if (ProgIdShaped(name) && NamesThisClass(name)) {
        names.emplace_back(name);
      }
    }
    RegCloseKey(classes);
  }
  for (const std::wstring& name : names) {
    RegDeleteTreeW(HKEY_CURRENT_USER, (kClasses + name).c_str());
  }
  RegDeleteTreeW(HKEY_CURRENT_USER, (kClasses + L"CLSID\\" + Guid(kSimDriverClassId)).c_str());
  return S_OK;
}

}  // namespace

}  // namespace kelvane

using namespace kelvane;

extern "C" BOOL WINAPI DllMain(HINSTANCE AModule, DWORD AReason, LPVOID) {
  if (AReason == DLL_PROCESS_ATTACH) {
    ThisModule = AModule;
    DisableThreadLibraryCalls(AModule);
  }
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID AClassId, REFIID AId, LPVOID* AObject) {
  if (AClassId != kSimDriverClassId) {
    *AObject = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
  }
  return Factory.QueryInterface(AId, AObject);
}

STDAPI DllCanUnloadNow() {
  return LiveObjects == 0 && Locks == 0 ? S_OK : S_FALSE;
}

STDAPI DllRegisterServer() {
  return Register(kSimDriverProgId);
}

STDAPI DllUnregisterServer() {
  return UnregisterAll();
}

// "regsvr32 /n /i:PROGID": the class also under another ProgID, such as the one a build of the
// tool names, so that the tool finds the training driver in place of the real one; "regsvr32 /u
// /n /i:PROGID" takes that ProgID away again, when it names the training driver.
STDAPI DllInstall(BOOL AInstall, LPCWSTR ACommandLine) {
  if (ACommandLine == nullptr || !ProgIdShaped(ACommandLine)) {
    return E_INVALIDARG;
  }
  return AInstall ? Register(ACommandLine) : UnregisterProgId(ACommandLine);
}
