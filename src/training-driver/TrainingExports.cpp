// kelvane-simdriver.dll: the simulated bench as an in-process COM server, a training driver. Each
// creation gives one control whose properties answer the driver's dispatch identifiers and whose
// methods answer GetIDsOfNames by name; behind them stands the bench (the built-in one, or the
// file named by KELVANE_BENCH). These are the library's exports.
#include <windows.h>

#include <olectl.h>

#include "training-driver/SimDriverClass.h"
#include "training-driver/TrainingControl.h"
#include "training-driver/TrainingRegistration.h"

using namespace kelvane;
using namespace kelvane::training;

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
  return ControlFactory().QueryInterface(AId, AObject);
}

STDAPI DllCanUnloadNow() {
  return CanUnload() ? S_OK : S_FALSE;
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
