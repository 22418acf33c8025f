#include "window/win32/Win32CellTips.h"

#include <commctrl.h>
#include <windowsx.h>

namespace kelvane::win32 {

namespace {

constexpr UINT_PTR kTool = 1;
constexpr UINT_PTR kSubclass = 1;
// The most characters of a cell the tip reads.
constexpr int kLongestTip = 8192;

POINT CursorIn(HWND AWindow) {
  POINT point{};
  GetCursorPos(&point);
  ScreenToClient(AWindow, &point);
  return point;
}

}  // namespace

TCellTips::TCellTips(HWND AOwner, HWND AList)
    : FList(AList),
      FTooltips(CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr,
                                WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, 0, 0, 0, 0, AOwner,
                                nullptr, GetModuleHandleW(nullptr), nullptr)) {
  // The tool is the list's whole client area; the text is asked for each time the tip shows.
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_SUBCLASS;
  tool.hwnd = FList;
  tool.uId = kTool;
  tool.lpszText = LPSTR_TEXTCALLBACKW;
  GetClientRect(FList, &tool.rect);
  SendMessageW(FTooltips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  // A long text is shown on several lines rather than wider than the screen.
  SendMessageW(FTooltips, TTM_SETMAXTIPWIDTH, 0, GetSystemMetrics(SM_CXSCREEN) / 2);
  SetWindowSubclass(FList, &ListProc, kSubclass, reinterpret_cast<DWORD_PTR>(this));
}

TCellTips::~TCellTips() {
  RemoveWindowSubclass(FList, &ListProc, kSubclass);
}

std::pair<int, int> TCellTips::CellAt(POINT APoint) const {
  LVHITTESTINFO hit{};
  hit.pt = APoint;
  if (ListView_SubItemHitTest(FList, &hit) < 0 || (hit.flags & LVHT_ONITEM) == 0) {
    return {-1, -1};
  }
  return {hit.iItem, hit.iSubItem};
}

std::u16string TCellTips::TipAt(POINT APoint) const {
  const auto [row, column] = CellAt(APoint);
  if (row < 0) {
    return {};
  }
  std::wstring text(kLongestTip, L'\0');
  ListView_GetItemText(FList, row, column, text.data(), kLongestTip);
  text.resize(wcslen(text.c_str()));
  RECT label{};
  ListView_GetSubItemRect(FList, row, column, LVIR_LABEL, &label);
  // The list leaves this much room around a cell's text.
  const int padding = 2 * GetSystemMetrics(SM_CXEDGE) + 2 * ListView_GetStringWidth(FList, L" ");
  const bool cut =
      ListView_GetStringWidth(FList, text.c_str()) + padding > label.right - label.left;
  return cut ? std::u16string(text.begin(), text.end()) : std::u16string();
}

LRESULT CALLBACK TCellTips::ListProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam,
                                     UINT_PTR, DWORD_PTR AThis) {
  auto& self = *reinterpret_cast<TCellTips*>(AThis);
  switch (AMessage) {
    case WM_MOUSEMOVE: {
      // Another cell: the tip shown goes, and the next one is asked for anew.
      const std::pair<int, int> cell = self.CellAt({GET_X_LPARAM(ALParam), GET_Y_LPARAM(ALParam)});
      if (cell != self.FCell) {
        self.FCell = cell;
        SendMessageW(self.FTooltips, TTM_POP, 0, 0);
      }
      break;
    }
    case WM_SIZE: {
      TTTOOLINFOW tool{};
      tool.cbSize = sizeof tool;
      tool.hwnd = AWindow;
      tool.uId = kTool;
      GetClientRect(AWindow, &tool.rect);
      SendMessageW(self.FTooltips, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
      break;
    }
    case WM_NOTIFY: {
      auto* info = reinterpret_cast<NMTTDISPINFOW*>(ALParam);
      if (info->hdr.hwndFrom == self.FTooltips && info->hdr.code == TTN_GETDISPINFOW) {
        const std::u16string tip = self.TipAt(CursorIn(AWindow));
        self.FTip.assign(tip.begin(), tip.end());
        info->lpszText = self.FTip.data();
        return 0;
      }
      break;
    }
    case WM_NCDESTROY:
      RemoveWindowSubclass(AWindow, &ListProc, kSubclass);
      break;
    default:
      break;
  }
  return DefSubclassProc(AWindow, AMessage, AWParam, ALParam);
}

}  // namespace kelvane::win32
