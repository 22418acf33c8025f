#pragma once

// Owners of the Windows handles and COM references the program holds: each frees what it holds
// once, when it goes, whatever path leaves the scope. Nothing in the program frees one by hand.

#include <windows.h>

#include <utility>

namespace kelvane::win32 {

// A handle this holds alone, freed by Free when it goes.
template <typename THandle, auto Free>
class TOwned {
 public:
  TOwned() = default;
  explicit TOwned(THandle AHandle) : FHandle(AHandle) {}
  ~TOwned() { Reset(); }
  TOwned(TOwned&& AOther) noexcept : FHandle(std::exchange(AOther.FHandle, nullptr)) {}
  TOwned& operator=(TOwned&& AOther) noexcept {
    if (this != &AOther) {
      Reset(std::exchange(AOther.FHandle, nullptr));
    }
    return *this;
  }
  TOwned(const TOwned&) = delete;
  TOwned& operator=(const TOwned&) = delete;

  THandle Get() const { return FHandle; }
  explicit operator bool() const { return FHandle != nullptr; }
  // For functions that hand out a new handle.
  THandle* Out() {
    Reset();
    return &FHandle;
  }
  void Reset(THandle AHandle = nullptr) {
    if (FHandle != nullptr) {
      Free(FHandle);
    }
    FHandle = AHandle;
  }

 private:
  THandle FHandle = nullptr;
};

inline void FreeGdiObject(HGDIOBJ AObject) {
  DeleteObject(AObject);
}
inline void FreeIcon(HICON AIcon) {
  DestroyIcon(AIcon);
}
inline void FreeMenu(HMENU AMenu) {
  DestroyMenu(AMenu);
}
inline void FreeKey(HKEY AKey) {
  RegCloseKey(AKey);
}
inline void FreeHandle(HANDLE AHandle) {
  CloseHandle(AHandle);
}

template <typename TObject>
using TGdiObject = TOwned<TObject, FreeGdiObject>;
using TFont = TGdiObject<HFONT>;
using TBitmap = TGdiObject<HBITMAP>;
using TBrush = TGdiObject<HBRUSH>;
using TIcon = TOwned<HICON, FreeIcon>;
using TMenu = TOwned<HMENU, FreeMenu>;
using TRegKey = TOwned<HKEY, FreeKey>;
// A file's handle; the INVALID_HANDLE_VALUE of a failed CreateFileW holds nothing.
class TFileHandle : public TOwned<HANDLE, FreeHandle> {
 public:
  TFileHandle() = default;
  explicit TFileHandle(HANDLE AHandle)
      : TOwned(AHandle == INVALID_HANDLE_VALUE ? nullptr : AHandle) {}
};

// A window's device context, for as long as this lives.
class TWindowDc {
 public:
  explicit TWindowDc(HWND AWindow) : FWindow(AWindow), FDc(GetDC(AWindow)) {}
  ~TWindowDc() {
    if (FDc != nullptr) {
      ReleaseDC(FWindow, FDc);
    }
  }
  TWindowDc(const TWindowDc&) = delete;
  TWindowDc& operator=(const TWindowDc&) = delete;
  HDC Get() const { return FDc; }

 private:
  HWND FWindow;
  HDC FDc;
};

// An object selected into a device context, until this goes and the previous one is back.
class TSelected {
 public:
  TSelected(HDC ADc, HGDIOBJ AObject) : FDc(ADc), FPrevious(SelectObject(ADc, AObject)) {}
  ~TSelected() { SelectObject(FDc, FPrevious); }
  TSelected(const TSelected&) = delete;
  TSelected& operator=(const TSelected&) = delete;

 private:
  HDC FDc;
  HGDIOBJ FPrevious;
};

// Runs its action when it goes: for what must be done on every way out of a scope.
template <typename TAction>
class TScopeExit {
 public:
  explicit TScopeExit(TAction AAction) : FAction(std::move(AAction)) {}
  ~TScopeExit() { FAction(); }
  TScopeExit(const TScopeExit&) = delete;
  TScopeExit& operator=(const TScopeExit&) = delete;

 private:
  TAction FAction;
};

}  // namespace kelvane::win32

namespace kelvane {

// An interface pointer that releases what it holds.
template <typename T>
class TComPtr {
 public:
  TComPtr() = default;
  // Takes over a reference the caller already holds.
  explicit TComPtr(T* APointer) : FPointer(APointer) {}
  TComPtr(const TComPtr& AOther) : FPointer(AOther.FPointer) {
    if (FPointer != nullptr) {
      FPointer->AddRef();
    }
  }
  TComPtr(TComPtr&& AOther) noexcept : FPointer(std::exchange(AOther.FPointer, nullptr)) {}
  TComPtr& operator=(TComPtr AOther) noexcept {
    std::swap(FPointer, AOther.FPointer);
    return *this;
  }
  ~TComPtr() {
    if (FPointer != nullptr) {
      FPointer->Release();
    }
  }
  T* Get() const { return FPointer; }
  T* operator->() const { return FPointer; }
  explicit operator bool() const { return FPointer != nullptr; }
  // For functions that hand out a new reference.
  T** Out() {
    *this = TComPtr();
    return &FPointer;
  }
  // The same, as the void** of QueryInterface and CoCreateInstance.
  void** OutVoid() { return reinterpret_cast<void**>(Out()); }

 private:
  T* FPointer = nullptr;
};

}  // namespace kelvane
