// The training driver's registration under the user's own classes, so that "regsvr32 /s" needs
// no administrator; it never touches a key that is not its own.
#include "training-driver/TrainingRegistration.h"

#include <oleauto.h>
#include <olectl.h>
#include <vector>

#include "platform/WinOwners.h"
#include "training-driver/SimDriverClass.h"
#include "training-driver/TrainingControl.h"

namespace kelvane::training {

namespace {

std::wstring Guid(REFGUID AGuid) {
  wchar_t text[64] = {};
  StringFromGUID2(AGuid, text, 64);
  return text;
}

const std::wstring kClasses = L"Software\\Classes\\";

LONG SetKey(const std::wstring& APath, const wchar_t* AName, const std::wstring& AValue) {
  win32::TRegKey key;
  LONG result = RegCreateKeyExW(HKEY_CURRENT_USER, APath.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                nullptr, key.Out(), nullptr);
  if (result == ERROR_SUCCESS) {
    result = RegSetValueExW(key.Get(), AName, 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(AValue.c_str()),
                            static_cast<DWORD>((AValue.size() + 1) * sizeof(wchar_t)));
  }
  return result;
}

// Whether the user's ProgID of that name names the training driver's class.
bool NamesThisClass(const std::wstring& AProgId) {
  wchar_t value[64] = {};
  DWORD size = sizeof value;
  return RegGetValueW(HKEY_CURRENT_USER, (kClasses + AProgId + L"\\CLSID").c_str(), nullptr,
                      RRF_RT_REG_SZ, nullptr, value, &size) == ERROR_SUCCESS &&
         _wcsicmp(value, Guid(kSimDriverClassId).c_str()) == 0;
}

// The per-user type library calls of oleaut32 (Vista SP1 on), which the headers of a build for
// Windows 7 do not declare.
template <typename TFunction>
TFunction Oleaut32(const char* AName) {
  return reinterpret_cast<TFunction>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"oleaut32.dll"), AName)));
}

HRESULT RegisterTypeLibraryForUser(ITypeLib* ALibrary, wchar_t* APath) {
  using TRegister = HRESULT(WINAPI*)(ITypeLib*, OLECHAR*, OLECHAR*);
  const auto call = Oleaut32<TRegister>("RegisterTypeLibForUser");
  return call != nullptr ? call(ALibrary, APath, nullptr) : E_NOTIMPL;
}

void UnregisterTypeLibraryForUser() {
  using TUnregister = HRESULT(WINAPI*)(REFGUID, WORD, WORD, LCID, SYSKIND);
  if (const auto call = Oleaut32<TUnregister>("UnRegisterTypeLibForUser")) {
    call(kSimDriverLibraryId, 1, 0, LOCALE_NEUTRAL, sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);
  }
}

}  // namespace

// A name given on regsvr32's command line becomes a key under the user's classes, so it must be
// shaped as a ProgID: a letter first, then letters, digits, "_" and at least one inner ".", at
// most 39 characters. No "\\" can reach another key then, no brace a class identifier, and no
// name of the classes' own keys (CLSID, Interface, TypeLib, AppID, a file extension) has that
// shape.
bool ProgIdShaped(const wchar_t* AName) {
  const std::wstring name(AName);
  const auto letter = [](wchar_t c) {
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
  };
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
      SetKey(clsid + L"\\TypeLib", nullptr, Guid(kSimDriverLibraryId)),
      SetKey(kClasses + AProgId, nullptr, L"Kelvane training driver"),
      SetKey(kClasses + AProgId + L"\\CLSID", nullptr, Guid(kSimDriverClassId)),
  };
  for (const LONG result : results) {
    if (result != ERROR_SUCCESS) {
      return SELFREG_E_CLASS;
    }
  }
  // The type library for the user, so that a client finds the class's description by its own.
  TComPtr<ITypeLib> library;
  if (FAILED(LoadTypeLibEx(path, REGKIND_NONE, library.Out())) ||
      FAILED(RegisterTypeLibraryForUser(library.Get(), path))) {
    return SELFREG_E_TYPELIB;
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
  win32::TRegKey classes;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kClasses.c_str(), 0, KEY_ENUMERATE_SUB_KEYS,
                    classes.Out()) == ERROR_SUCCESS) {
    wchar_t name[256];
    for (DWORD index = 0;; ++index) {
      DWORD length = 256;
      const LONG result =
          RegEnumKeyExW(classes.Get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
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
  }
  for (const std::wstring& name : names) {
    RegDeleteTreeW(HKEY_CURRENT_USER, (kClasses + name).c_str());
  }
  RegDeleteTreeW(HKEY_CURRENT_USER, (kClasses + L"CLSID\\" + Guid(kSimDriverClassId)).c_str());
  UnregisterTypeLibraryForUser();
  return S_OK;
}

}  // namespace kelvane::training
