#pragma once

#include <windows.h>

#include <commctrl.h>
#include <string>

namespace kelvane {

std::u16string WindowText(HWND AWindow);

namespace win32 {

// A GDI or USER object of the window that this holds alone and frees when it goes.
template <typename THandle, auto Free>
class TOwned {
 public:
  TOwned() = default;
  explicit TOwned(THandle AHandle) : FHandle(AHandle) {}
  ~TOwned() { Reset(); }
  TOwned(TOwned&& AOther) noexcept : FHandle(AOther.FHandle) { AOther.FHandle = nullptr; }
  TOwned& operator=(TOwned&& AOther) noexcept {
    if (this != &AOther) {
      Reset(AOther.FHandle);
      AOther.FHandle = nullptr;
    }
    return *this;
  }
  TOwned(const TOwned&) = delete;
  TOwned& operator=(const TOwned&) = delete;

  THandle Get() const { return FHandle; }
  void Reset(THandle AHandle = nullptr) {
    if (FHandle != nullptr) {
      Free(FHandle);
    }
    FHandle = AHandle;
  }

 private:
  THandle FHandle = nullptr;
};

inline void FreeFont(HFONT AFont) {
  DeleteObject(AFont);
}
inline void FreeIcon(HICON AIcon) {
  DestroyIcon(AIcon);
}
inline void FreeImageList(HIMAGELIST AImages) {
  ImageList_Destroy(AImages);
}
inline void FreeMenu(HMENU AMenu) {
  DestroyMenu(AMenu);
}

using TFont = TOwned<HFONT, FreeFont>;
using TIcon = TOwned<HICON, FreeIcon>;
using TImageList = TOwned<HIMAGELIST, FreeImageList>;
using TMenu = TOwned<HMENU, FreeMenu>;

// A child control as the window sees it: its handle (the window destroys it with itself) and
// the few messages the window sends it.
class TControlWindow {
 public:
  TControlWindow() = default;
  explicit TControlWindow(HWND AHandle) : FHandle(AHandle) {}
  HWND Handle() const { return FHandle; }
  void Show(bool AValue) const { ShowWindow(FHandle, AValue ? SW_SHOWNA : SW_HIDE); }

 protected:
  HWND FHandle = nullptr;
};

class TButton final : public TControlWindow {
 public:
  using TControlWindow::TControlWindow;
  bool Checked() const { return SendMessageW(FHandle, BM_GETCHECK, 0, 0) == BST_CHECKED; }
  // The picture stands AMargin pixels from the button's left edge.
  void SetImages(HIMAGELIST AImages, int AMargin) const;
};

class TListView final : public TControlWindow {
 public:
  using TControlWindow::TControlWindow;
  void AddColumn(int AIndex, const std::u16string& ACaption) const;
  // LVSCW_AUTOSIZE_USEHEADER: the column takes what is left of the list's width.
  void SetColumnWidth(int AIndex, int AWidth) const;
  void InsertRow(int AIndex, const std::u16string& AFirstCell) const;
  void SetCellText(int ARow, int AColumn, const std::u16string& AText) const;
  void Clear() const;
  bool Ticked(int ARow) const;
  void SetTicked(int ARow, bool AValue) const;
  // The first row in the state (LVNI_SELECTED, LVNI_FOCUSED), or -1.
  int NextRow(UINT AState) const;
};

class TStatusBar final : public TControlWindow {
 public:
  using TControlWindow::TControlWindow;
  void SetSingleText(const std::u16string& AText) const;
  void FollowParent() const { SendMessageW(FHandle, WM_SIZE, 0, 0); }
};

}  // namespace win32
}  // namespace kelvane
