#include <windows.h>

#include <oleauto.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "driver/com/ComTarvik.h"
#include "platform/ComApartment.h"
#include "platform/Error.h"

namespace kelvane::test {
namespace {

// A dispatch object of our own in place of the driver's control: it keeps every call it gets.
class TRecordingDispatch final : public IDispatch {
 public:
  struct TInvoke {
    DISPID Id;
    WORD Flags;
    UINT Arguments;
    UINT NamedArguments;
    DISPID Named;
    VARTYPE Type;
    LONG Integer;
    VARIANT_BOOL Boolean;
    DATE Date;
    std::u16string Text;
  };

  std::vector<TInvoke> Invokes;
  std::map<std::u16string, int> NameLookups;
  std::map<DISPID, std::u16string> Failures;
  std::u16string ReadValue = u"3105";
  LONG MethodResult = -1;
  bool EmptyMethodResult = false;
  // Failures describe themselves through a deferred fill-in of the exception.
  bool DeferFillIn = false;
  // The object says that it sets the thread's error info for IDispatch.
  bool SetsErrorInfo = false;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID AId, void** AObject) override {
    if (AId == IID_IUnknown || AId == IID_IDispatch) {
      *AObject = this;
      AddRef();
      return S_OK;
    }
    if (AId == IID_ISupportErrorInfo && SetsErrorInfo) {
      *AObject = &FErrorInfoSupport;
      return S_OK;
    }
    *AObject = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++FReferences; }
  ULONG STDMETHODCALLTYPE Release() override { return --FReferences; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* ACount) override {
    *ACount = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* ANames, UINT ACount, LCID,
                                          DISPID* AIds) override {
    for (UINT i = 0; i < ACount; ++i) {
      const std::u16string name(reinterpret_cast<const char16_t*>(ANames[i]));
      ++NameLookups[name];
      AIds[i] = 5000 + static_cast<DISPID>(name.size());
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID AId, REFIID, LCID, WORD AFlags, DISPPARAMS* AParams,
                                   VARIANT* AResult, EXCEPINFO* AException, UINT*) override {
    TInvoke call{AId,
                 AFlags,
                 AParams->cArgs,
                 AParams->cNamedArgs,
                 AParams->cNamedArgs ? AParams->rgdispidNamedArgs[0] : 0,
                 VT_EMPTY,
                 0,
                 0,
                 0,
                 {}};
    if (AParams->cArgs == 1) {
      const VARIANT& argument = AParams->rgvarg[0];
      call.Type = argument.vt;
      call.Integer = argument.vt == VT_I4 ? argument.lVal : 0;
      call.Boolean = argument.vt == VT_BOOL ? argument.boolVal : 0;
      call.Date = argument.vt == VT_DATE ? argument.date : 0;
      if (argument.vt == VT_BSTR) {
        call.Text.assign(reinterpret_cast<const char16_t*>(argument.bstrVal),
                         SysStringLen(argument.bstrVal));
      }
    }
    Invokes.push_back(call);
    if (const auto failure = Failures.find(AId); failure != Failures.end()) {
      if (failure->second.empty()) {
        return E_FAIL;
      }
      *AException = EXCEPINFO{};
      DeferredDescription = failure->second;
      if (DeferFillIn) {
        AException->pfnDeferredFillIn = &FillIn;
      } else {
        FillIn(AException);
      }
      return DISP_E_EXCEPTION;
    }
    if (AFlags == DISPATCH_PROPERTYGET) {
      AResult->vt = VT_BSTR;
      AResult->bstrVal = SysAllocString(reinterpret_cast<const OLECHAR*>(ReadValue.c_str()));
    } else if (AFlags == DISPATCH_METHOD && !EmptyMethodResult) {
      AResult->vt = VT_I4;
      AResult->lVal = MethodResult;
    }
    return S_OK;
  }

 private:
  static inline std::u16string DeferredDescription;

  static HRESULT STDMETHODCALLTYPE FillIn(EXCEPINFO* AException) {
    AException->bstrDescription =
        SysAllocString(reinterpret_cast<const OLECHAR*>(DeferredDescription.c_str()));
    AException->bstrSource = SysAllocString(L"Tarvik");
    AException->scode = E_FAIL;
    return S_OK;
  }

  class TErrorInfoSupport final : public ISupportErrorInfo {
   public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** AObject) override {
      *AObject = nullptr;
      return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID AId) override {
      return AId == IID_IDispatch ? S_OK : S_FALSE;
    }
  };

  ULONG FReferences = 1;
  TErrorInfoSupport FErrorInfoSupport;
};

// Leaves an error description in the calling thread's error info, as a COM object would.
void SetThreadErrorDescription(const wchar_t* AText) {
  ICreateErrorInfo* create = nullptr;
  ASSERT_EQ(CreateErrorInfo(&create), S_OK);
  create->SetDescription(const_cast<LPOLESTR>(AText));
  IErrorInfo* info = nullptr;
  create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info));
  SetErrorInfo(0, info);
  info->Release();
  create->Release();
}

std::u16string MessageOf(const std::function<void()>& ACall) {
  try {
    ACall();
  } catch (const EError& e) {
    return e.Message();
  }
  return u"<no error>";
}

class ComTarvik : public testing::Test {
 protected:
  TComApartment FApartment;
  TRecordingDispatch FDispatch;
  TComTarvik FDriver{TComPtr<IDispatch>(&FDispatch)};

  ComTarvik() { FDispatch.AddRef(); }
};

TEST_F(ComTarvik, WritesPropertiesByDispatchIdentifierAsNamedPropertyPuts) {
  FDriver.SetComNumber(7);
  FDriver.SetOFDExchangeSuspended(true);
  FDriver.SetDate(46365.0);
  FDriver.SetBlockData(std::u16string(u"\u0098\0x", 3));
  ASSERT_EQ(FDispatch.Invokes.size(), 4u);
  for (const auto& call : FDispatch.Invokes) {
    EXPECT_EQ(call.Flags, DISPATCH_PROPERTYPUT);
    EXPECT_EQ(call.Arguments, 1u);
    EXPECT_EQ(call.NamedArguments, 1u);
    EXPECT_EQ(call.Named, DISPID_PROPERTYPUT);
  }
  EXPECT_EQ(FDispatch.Invokes[0].Id, 114);
  EXPECT_EQ(FDispatch.Invokes[0].Type, VT_I4);
  EXPECT_EQ(FDispatch.Invokes[0].Integer, 7);
  EXPECT_EQ(FDispatch.Invokes[1].Id, 2235);
  EXPECT_EQ(FDispatch.Invokes[1].Type, VT_BOOL);
  EXPECT_EQ(FDispatch.Invokes[1].Boolean, -1);
  EXPECT_EQ(FDispatch.Invokes[2].Id, 122);
  EXPECT_EQ(FDispatch.Invokes[2].Type, VT_DATE);
  EXPECT_EQ(FDispatch.Invokes[2].Date, 46365.0);
  EXPECT_EQ(FDispatch.Invokes[3].Id, 2275);
  EXPECT_EQ(FDispatch.Invokes[3].Type, VT_BSTR);
  EXPECT_EQ(FDispatch.Invokes[3].Text, std::u16string(u"\u0098\0x", 3)) << "zero kept";
}

TEST_F(ComTarvik, ReadsPropertiesInTheirDeclaredType) {
  EXPECT_EQ(FDriver.ECRBuild(), 3105);
  EXPECT_EQ(FDriver.SerialNumber(), u"3105");
  EXPECT_EQ(FDispatch.Invokes[0].Id, 134);
  EXPECT_EQ(FDispatch.Invokes[0].Flags, DISPATCH_PROPERTYGET);
  EXPECT_EQ(FDispatch.Invokes[0].Arguments, 0u);
}

TEST_F(ComTarvik, LooksUpEachMethodOnceAndCallsItByThatIdentifier) {
  EXPECT_EQ(FDriver.GetECRStatus(), -1);
  EXPECT_EQ(FDriver.GetECRStatus(), -1);
  FDispatch.MethodResult = 0;
  EXPECT_EQ(FDriver.LoadBlockOnSDCard(), 0);
  EXPECT_EQ(FDispatch.NameLookups[u"GetECRStatus"], 1);
  EXPECT_EQ(FDispatch.NameLookups[u"LoadBlockOnSDCard"], 1);
  ASSERT_EQ(FDispatch.Invokes.size(), 3u);
  EXPECT_EQ(FDispatch.Invokes[0].Id, 5000 + 12);
  EXPECT_EQ(FDispatch.Invokes[0].Flags, DISPATCH_METHOD);
  EXPECT_EQ(FDispatch.Invokes[2].Id, 5000 + 17);
}

TEST_F(ComTarvik, FailedCallsRaiseTheObjectsOrTheSystemsMessage) {
  FDispatch.Failures[114] = u"Порт занят другой программой";
  FDispatch.Failures[236] = u"";
  try {
    FDriver.SetComNumber(1);
    FAIL() << "no error";
  } catch (const EError& e) {
    EXPECT_EQ(e.Message(), u"Порт занят другой программой");
  }
  try {
    FDriver.UDescription();
    FAIL() << "no error";
  } catch (const EError& e) {
    EXPECT_FALSE(e.Message().empty());
  }
}

TEST_F(ComTarvik, DeferredDescriptionIsFilledInAndReachesTheError) {
  FDispatch.DeferFillIn = true;
  FDispatch.Failures[114] = u"Нет связи с ККТ";
  EXPECT_EQ(MessageOf([&] { FDriver.SetComNumber(1); }), u"Нет связи с ККТ");
}

TEST_F(ComTarvik, ThreadErrorInfoCountsOnlyWhereTheObjectSaysItSetsIt) {
  FDispatch.Failures[236] = u"";
  SetThreadErrorDescription(L"stale text of another object");
  EXPECT_NE(MessageOf([&] { FDriver.UDescription(); }), u"stale text of another object");
  FDispatch.SetsErrorInfo = true;
  SetThreadErrorDescription(L"Драйвер: порт закрыт");
  EXPECT_EQ(MessageOf([&] { FDriver.UDescription(); }), u"Драйвер: порт закрыт");
}

TEST_F(ComTarvik, MethodWithoutAResultFails) {
  FDispatch.EmptyMethodResult = true;
  EXPECT_EQ(MessageOf([&] { FDriver.GetECRStatus(); }),
            u"Метод драйвера GetECRStatus не вернул результат");
}

TEST(ComTarvikDriver, MissingDriverIsReportedAsNotInstalled) {
  TComApartment apartment;
  try {
    TComTarvik::Create();
    GTEST_SKIP() << "a Tarvik driver is installed here; its own calls are not tested";
  } catch (const EError& e) {
    EXPECT_EQ(e.Message().rfind(u"Драйвер ККТ не установлен", 0), 0u);
  }
}

}  // namespace
}  // namespace kelvane::test
