#pragma once

#include <windows.h>

#include <commctrl.h>
#include <string>

#include "platform/WinOwners.h"

namespace kelvane {

std::u16string WindowText(HWND AWindow);

namespace win32 {

inline void FreeImageList(HIMAGELIST AImages) {
  ImageList_Destroy(AImages);
}
using TImageList = TOwned<HIMAGELIST, FreeImageList>;

// A top-level window of this program: its messages stop reaching its object before it goes.
inline void DestroyOwnWindow(HWND AWindow) {
  if (IsWindow(AWindow)) {
    SetWindowLongPtrW(AWindow, GWLP_USERDATA, 0);
    DestroyWindow(AWindow);
  }
}
using TOwnWindow = TOwned<HWND, DestroyOwnWindow>;

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
