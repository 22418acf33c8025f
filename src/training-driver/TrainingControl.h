#pragma once

#include <windows.h>

#include <unknwn.h>

namespace kelvane::training {

// The library itself, as DllMain was given it.
extern HMODULE ThisModule;

// Makes the training driver's controls; it lives as long as the library.
IClassFactory& ControlFactory();
// Whether no control and no lock of the factory holds the library.
bool CanUnload();

}  // namespace kelvane::training
