#pragma once

#include <windows.h>

#include <string>
#include <utility>

namespace kelvane::win32 {

// The whole text of a list view's cell that its column cuts, shown as a tip while the pointer
// rests on the cell; a cell shown whole has none. The tip follows the pointer from cell to cell
// and the columns' widths as they are at that moment.
class TCellTips {
 public:
  // AList: a report-view list of the window AOwner.
  TCellTips(HWND AOwner, HWND AList);
  ~TCellTips();
  TCellTips(const TCellTips&) = delete;
  TCellTips& operator=(const TCellTips&) = delete;

  HWND Tooltips() const { return FTooltips; }
  // What the tip says for a point of the list's client area.
  std::u16string TipAt(POINT APoint) const;

 private:
  static LRESULT CALLBACK ListProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam,
                                   UINT_PTR AId, DWORD_PTR AThis);
  // The row and column under a point of the list's client area; -1 for none.
  std::pair<int, int> CellAt(POINT APoint) const;

  HWND FList;
  HWND FTooltips;
  std::pair<int, int> FCell{-1, -1};
  std::wstring FTip;
};

}  // namespace kelvane::win32
