#include "window/win32/Win32Controls.h"

#include "platform/WideText.h"

namespace kelvane {

std::u16string WindowText(HWND AWindow) {
  const int length = GetWindowTextLengthW(AWindow);
  std::u16string text(static_cast<size_t>(length) + 1, u'\0');
  const int copied = GetWindowTextW(AWindow, reinterpret_cast<LPWSTR>(text.data()), length + 1);
  text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
  return text;
}

namespace win32 {

void TButton::SetImages(HIMAGELIST AImages, int AMargin) const {
  BUTTON_IMAGELIST images{};
  images.himl = AImages;
  images.margin = {AMargin, 0, 0, 0};
  images.uAlign = BUTTON_IMAGELIST_ALIGN_LEFT;
  SendMessageW(FHandle, BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&images));
}

void TListView::AddColumn(int AIndex, const std::u16string& ACaption) const {
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
  column.pszText = const_cast<LPWSTR>(Wide(ACaption));
  column.iSubItem = AIndex;
  ListView_InsertColumn(FHandle, AIndex, &column);
}

void TListView::SetColumnWidth(int AIndex, int AWidth) const {
  ListView_SetColumnWidth(FHandle, AIndex, AWidth);
}

void TListView::InsertRow(int AIndex, const std::u16string& AFirstCell) const {
  LVITEMW item{};
  item.mask = LVIF_TEXT;
  item.iItem = AIndex;
  item.pszText = const_cast<LPWSTR>(Wide(AFirstCell));
  ListView_InsertItem(FHandle, &item);
}

void TListView::SetCellText(int ARow, int AColumn, const std::u16string& AText) const {
  ListView_SetItemText(FHandle, ARow, AColumn, const_cast<LPWSTR>(Wide(AText)));
}

void TListView::Clear() const {
  ListView_DeleteAllItems(FHandle);
}

bool TListView::Ticked(int ARow) const {
  return ListView_GetCheckState(FHandle, ARow) != 0;
}

void TListView::SetTicked(int ARow, bool AValue) const {
  ListView_SetCheckState(FHandle, ARow, AValue);
}

int TListView::NextRow(UINT AState) const {
  return ListView_GetNextItem(FHandle, -1, AState);
}

void TStatusBar::SetSingleText(const std::u16string& AText) const {
  SendMessageW(FHandle, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(Wide(AText)));
}

}  // namespace win32
}  // namespace kelvane
