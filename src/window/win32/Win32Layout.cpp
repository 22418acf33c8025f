// The Win32 window's controls: their names, places at 96 dpi scaled to the monitor, anchoring,
// tab order (the order of creation), pictures, font and menu.
#include "platform/WideText.h"
#include "window/win32/Win32Controls.h"
#include "window/win32/Win32MainWindow.h"
#include "window/win32/Win32Pictures.h"

namespace kelvane {

namespace {

// The client area at 96 dpi, status bar included.
constexpr int kClientWidth = 654;
constexpr int kClientHeight = 416;

}  // namespace

int TWin32MainWindow::Scale(int AValue) const {
  return MulDiv(AValue, FDpi, 96);
}

HWND TWin32MainWindow::AddChild(std::u16string_view AName, const wchar_t* AClass,
                                const std::u16string& AText, DWORD AStyle, DWORD AExStyle,
                                RECT ADesign, unsigned AAnchors, int AId) {
  const HWND child = CreateWindowExW(
      AExStyle, AClass, Wide(AText), WS_CHILD | WS_VISIBLE | AStyle, 0, 0, 0, 0, FHandle,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(AId)), GetModuleHandleW(nullptr), nullptr);
  FChildren.push_back({AName, child, ADesign, AAnchors});
  return child;
}

void TWin32MainWindow::CreateControls() {
  using namespace win32_controls;
  constexpr DWORD kButton = WS_TABSTOP | BS_PUSHBUTTON;
  constexpr DWORD kField = WS_TABSTOP | ES_AUTOHSCROLL;
  // Created in the tab order; the check box comes last although it stands between the fields.
  AddChild(u"btnSearch", WC_BUTTONW, u"Поиск устройств...", kButton, 0, {8, 8, 155, 25},
           kLeft | kTop, kIdSearch);
  AddChild(u"btnStart", WC_BUTTONW, u"Запустить обновление", kButton, 0, {169, 8, 155, 25},
           kLeft | kTop, kIdStart);
  AddChild(u"btnStop", WC_BUTTONW, u"Стоп", kButton, 0, {330, 8, 74, 25}, kLeft | kTop, kIdStop);
  AddChild(u"edtFileName", WC_EDITW, u"", kField, WS_EX_CLIENTEDGE, {105, 39, 492, 21},
           kLeft | kTop | kRight, kIdFileName);
  AddChild(u"btnOpen", WC_BUTTONW, u"...", kButton, 0, {603, 37, 43, 25}, kTop | kRight, kIdOpen);
  const HWND list = AddChild(
      u"listView", WC_LISTVIEWW, u"", WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
      WS_EX_CLIENTEDGE, {8, 112, 638, 279}, kLeft | kTop | kRight | kBottom, kIdList);
  AddChild(u"edtTablesFileName", WC_EDITW, u"", kField, WS_EX_CLIENTEDGE, {105, 85, 492, 21},
           kLeft | kTop | kRight, kIdTablesFileName);
  AddChild(u"btnTablesOpen", WC_BUTTONW, u"...", kButton, 0, {603, 81, 43, 25}, kTop | kRight,
           kIdTablesOpen);
  AddChild(u"chkWriteTables", WC_BUTTONW, u"Записывать таблицы", WS_TABSTOP | BS_AUTOCHECKBOX, 0,
           {8, 64, 169, 17}, kLeft | kTop, kIdWriteTables);
  AddChild(u"gifProgress", WC_STATICW, u"", SS_OWNERDRAW, 0, {410, 13, 16, 16}, kLeft | kTop,
           kIdProgress);
  ShowWindow(Control(u"gifProgress"), SW_HIDE);
  // A label's width follows its text (kAutoSize).
  AddChild(u"lblFileName", WC_STATICW, u"Путь к прошивке:", SS_LEFT, 0, {8, 43, kAutoSize, 13},
           kLeft | kTop, kIdFileNameLabel);
  AddChild(u"lbl1", WC_STATICW, u"Файл таблиц:", SS_LEFT, 0, {8, 89, kAutoSize, 13}, kLeft | kTop,
           kIdTablesLabel);
  const HWND status =
      AddChild(u"statusBar", STATUSCLASSNAMEW, u"", SBARS_SIZEGRIP, 0, {}, 0, kIdStatusBar);
  int parts[] = {-1};
  SendMessageW(status, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(parts));

  ListView_SetExtendedListViewStyle(list, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
  const wchar_t* headers[] = {L"COM", L"Serial", L"%", L"Состояние"};
  for (int column = 0; column < 4; ++column) {
    LVCOLUMNW format{};
    format.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    format.pszText = const_cast<LPWSTR>(headers[column]);
    format.iSubItem = column;
    ListView_InsertColumn(list, column, &format);
  }

  FTooltips = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0,
                              FHandle, nullptr, GetModuleHandleW(nullptr), nullptr);
  for (const char16_t* button : {u"btnOpen", u"btnTablesOpen"}) {
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = FHandle;
    tool.uId = reinterpret_cast<UINT_PTR>(Control(button));
    tool.lpszText = const_cast<LPWSTR>(L"Открыть файл...");
    SendMessageW(FTooltips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }

  FMenu = CreatePopupMenu();
  AppendMenuW(FMenu, MF_STRING, kIdResetTaskPopup, L"Запустить");
  AppendMenuW(FMenu, MF_STRING, kIdStopTaskPopup, L"Остановить");
  AppendMenuW(FMenu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(FMenu, MF_STRING, kIdWriteCustomFirmware, L"Запустить с другой прошивкой...");
}

void TWin32MainWindow::ApplyResolution() {
  // Tahoma 8 pt at the window's resolution.
  LOGFONTW font{};
  font.lfHeight = -MulDiv(8, FDpi, 72);
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfQuality = CLEARTYPE_QUALITY;
  wcscpy(font.lfFaceName, L"Tahoma");
  const HFONT previous = FFont;
  FFont = CreateFontIndirectW(&font);
  for (const TChild& child : FChildren) {
    SendMessageW(child.Handle, WM_SETFONT, reinterpret_cast<WPARAM>(FFont), TRUE);
  }
  if (previous != nullptr) {
    DeleteObject(previous);
  }

  for (HIMAGELIST images : FImages) {
    ImageList_Destroy(images);
  }
  FImages.clear();
  const std::pair<const char16_t*, TPicture> pictures[] = {{u"btnSearch", TPicture::Search},
                                                           {u"btnStart", TPicture::Start},
                                                           {u"btnStop", TPicture::Stop}};
  for (const auto& [button, picture] : pictures) {
    BUTTON_IMAGELIST images{};
    images.himl = CreateButtonImages(picture, Scale(16));
    // The picture stands 10 px from the button's left edge; the button's frame takes 3 of them.
    images.margin = {Scale(10) - 3, 0, 0, 0};
    images.uAlign = BUTTON_IMAGELIST_ALIGN_LEFT;
    SendMessageW(Control(button), BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&images));
    FImages.push_back(images.himl);
  }

  const HWND list = Control(u"listView");
  const int widths[] = {70, 120, 50};
  for (int column = 0; column < 3; ++column) {
    ListView_SetColumnWidth(list, column, Scale(widths[column]));
  }
  LayOut();
}

void TWin32MainWindow::LayOut() {
  RECT client{};
  GetClientRect(FHandle, &client);
  // Each control keeps its distance to the edges it is anchored to.
  const int growX = client.right - Scale(kClientWidth);
  const int growY = client.bottom - Scale(kClientHeight);
  const HDC dc = GetDC(FHandle);
  const HGDIOBJ previous = SelectObject(dc, FFont);
  for (const TChild& child : FChildren) {
    if (child.Anchors == 0) {
      continue;
    }
    int left = Scale(child.Design.left);
    int width = Scale(child.Design.right);
    const int top = Scale(child.Design.top);
    int height = Scale(child.Design.bottom);
    if (child.Design.right == win32_controls::kAutoSize) {
      const std::u16string text = WindowText(child.Handle);
      SIZE extent{};
      GetTextExtentPoint32W(dc, Wide(text), static_cast<int>(text.size()), &extent);
      width = extent.cx;
      height = extent.cy;
    }
    if (child.Anchors & win32_controls::kRight) {
      if (child.Anchors & win32_controls::kLeft) {
        width = std::max(0, width + growX);
      } else {
        left += growX;
      }
    }
    if (child.Anchors & win32_controls::kBottom) {
      height = std::max(0, height + growY);
    }
    MoveWindow(child.Handle, left, top, width, height, TRUE);
  }
  SelectObject(dc, previous);
  ReleaseDC(FHandle, dc);
  SendMessageW(Control(u"statusBar"), WM_SIZE, 0, 0);
  // The last column takes the rest of the list's width.
  ListView_SetColumnWidth(Control(u"listView"), 3, LVSCW_AUTOSIZE_USEHEADER);
}

}  // namespace kelvane
