#include <objbase.h>

#include "platform/ComApartment.h"

namespace kelvane {

TComApartment::TComApartment() {
  // Balanced by CoUninitialize whatever it returns, S_FALSE included.
  const HRESULT result = CoInitialize(nullptr);
  FInitialised = SUCCEEDED(result);
}

TComApartment::~TComApartment() {
  Release();
}

void TComApartment::Release() {
  if (FInitialised) {
    FInitialised = false;
    CoUninitialize();
  }
}

}  // namespace kelvane
