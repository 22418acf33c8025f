#pragma once

#include <windows.h>

#include <string>

namespace kelvane::training {

// A name given on regsvr32's command line becomes a key under the user's classes, so it must be
// shaped as a ProgID (see the definition for the rule).
bool ProgIdShaped(const wchar_t* AName);
// The class, and a ProgID naming it, under the user's own classes.
HRESULT Register(const std::wstring& AProgId);
// A ProgID of the user's, only when it names this class.
HRESULT UnregisterProgId(const std::wstring& AProgId);
// The class and every name of the user's that points at it.
HRESULT UnregisterAll();

}  // namespace kelvane::training
