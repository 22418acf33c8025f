// The training driver's control: the simulated bench behind the driver's dispatch identifiers,
// and the class factory that makes one control per creation.
#include "training-driver/TrainingControl.h"

#include <oleauto.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "driver/com/ComSupport.h"
#include "driver/sim/SimBench.h"
#include "driver/sim/SimTarvik.h"
#include "platform/Error.h"
#include "platform/Text.h"
#include "platform/WinOwners.h"
#include "training-driver/SimDriverClass.h"

namespace kelvane::training {

HMODULE ThisModule = nullptr;

namespace {

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
  TComPtr<ICreateErrorInfo> create;
  if (FAILED(CreateErrorInfo(create.Out()))) {
    return;
  }
  create->SetDescription(const_cast<LPOLESTR>(reinterpret_cast<LPCOLESTR>(AMessage.c_str())));
  create->SetSource(const_cast<LPOLESTR>(kSimDriverProgId));
  TComPtr<IErrorInfo> info;
  if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, info.OutVoid()))) {
    SetErrorInfo(0, info.Get());
  }
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
    if (ACount == nullptr) {
      return E_POINTER;
    }
    *ACount = 1;
    return S_OK;
  }
  // ITarvik48's description, from the type library among the library's resources.
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT AIndex, LCID, ITypeInfo** AInfo) override {
    if (AInfo == nullptr) {
      return E_POINTER;
    }
    *AInfo = nullptr;
    if (AIndex != 0) {
      return DISP_E_BADINDEX;
    }
    wchar_t path[MAX_PATH] = {};
    if (GetModuleFileNameW(ThisModule, path, MAX_PATH) == 0) {
      return E_FAIL;
    }
    TComPtr<ITypeLib> library;
    const HRESULT loaded = LoadTypeLibEx(path, REGKIND_NONE, library.Out());
    return FAILED(loaded) ? loaded : library->GetTypeInfoOfGuid(kTarvik48InterfaceId, AInfo);
  }

  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* ANames, UINT ACount, LCID,
                                          DISPID* AIds) override {
    HRESULT result = S_OK;
    for (UINT i = 0; i < ACount; ++i) {
      AIds[i] = DISPID_UNKNOWN;
      const std::u16string name(reinterpret_cast<const char16_t*>(ANames[i]));
      // By name as by number: a script reaches every member the way the tool does.
      for (const TTarvikMethod method : AllMethods()) {
        if (SameText(name, FromAscii(MethodName(method)))) {
          AIds[i] = kFirstMethodId + static_cast<DISPID>(method);
        }
      }
      for (const TTarvikProperty property : AllProperties()) {
        if (SameText(name, FromAscii(PropertyName(property)))) {
          AIds[i] = static_cast<DISPID>(property);
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
        // What the register answers has no put, as a type library's read-only property has none.
        if (PropertyReadOnly(property)) {
          return DISP_E_MEMBERNOTFOUND;
        }
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
      // The control is born with one reference, this one's; the caller's is its own.
      const TComPtr<TSimDriverControl> control(new TSimDriverControl());
      return control->QueryInterface(AId, AObject);
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

}  // namespace

IClassFactory& ControlFactory() {
  return Factory;
}

bool CanUnload() {
  return LiveObjects == 0 && Locks == 0;
}

}  // namespace kelvane::training
