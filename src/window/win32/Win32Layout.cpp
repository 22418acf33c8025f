// The Win32 window's controls, built from the window's description: places scaled to the
// monitor, anchoring, tab order (the order of creation), pictures, font and menu.
#include <initguid.h>
#include <oleacc.h>

#include "platform/WideText.h"
#include "window/MainForm.h"
#include "window/win32/Win32MainWindow.h"
#include "window/win32/Win32Pictures.h"

namespace kelvane {

namespace {

struct TWindowClass {
  const wchar_t* Name;
  DWORD Style;
  DWORD ExStyle;
};

TWindowClass ClassOf(form::TKind AKind) {
  switch (AKind) {
    case form::TKind::Button:
      return {WC_BUTTONW, WS_TABSTOP | BS_PUSHBUTTON, 0};
    case form::TKind::Edit:
      return {WC_EDITW, WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
    case form::TKind::CheckBox:
      return {WC_BUTTONW, WS_TABSTOP | BS_AUTOCHECKBOX, 0};
    case form::TKind::List:
      return {WC_LISTVIEWW, WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
              WS_EX_CLIENTEDGE};
    case form::TKind::BusyIndicator:
      return {WC_STATICW, SS_OWNERDRAW, 0};
    case form::TKind::Label:
      return {WC_STATICW, SS_LEFT, 0};
    case form::TKind::StatusBar:
      break;
  }
  return {STATUSCLASSNAMEW, SBARS_SIZEGRIP, 0};
}

}  // namespace

int TWin32MainWindow::Scale(int AValue) const {
  return MulDiv(AValue, FDpi, 96);
}

void TWin32MainWindow::CreateControls() {
  const std::span<const form::TControlDesc> controls = form::Controls();
  for (size_t i = 0; i < controls.size(); ++i) {
    const form::TControlDesc& entry = controls[i];
    const TWindowClass windowClass = ClassOf(entry.Kind);
    const HWND child =
        CreateWindowExW(windowClass.ExStyle, windowClass.Name, Wide(std::u16string(entry.Text)),
                        WS_CHILD | WS_VISIBLE | windowClass.Style, 0, 0, 0, 0, FHandle,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + i)),
                        GetModuleHandleW(nullptr), nullptr);
    FChildren.push_back({&entry, child});
    switch (entry.Kind) {
      case form::TKind::CheckBox:
        FWriteTables = win32::TButton(child);
        break;
      case form::TKind::List:
        FList = win32::TListView(child);
        break;
      case form::TKind::BusyIndicator:
        FBusyPicture = win32::TControlWindow(child);
        FBusyPicture.Show(false);
        break;
      case form::TKind::StatusBar: {
        FStatusBar = win32::TStatusBar(child);
        int parts[] = {-1};
        SendMessageW(child, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(parts));
        break;
      }
      default:
        break;
    }
  }

  // The controls the behaviour names, found once.
  for (size_t i = 0; i < FControls.size(); ++i) {
    FControls[i] = Control(ControlName(static_cast<TControl>(i)));
  }

  ListView_SetExtendedListViewStyle(FList.Handle(), LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
  const std::span<const form::TColumnDesc> columns = form::Columns();
  for (size_t column = 0; column < columns.size(); ++column) {
    FList.AddColumn(static_cast<int>(column), std::u16string(columns[column].Caption));
  }

  FCellTips = std::make_unique<win32::TCellTips>(FHandle, FList.Handle());
  NameControls();

  FTooltips = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0,
                              FHandle, nullptr, GetModuleHandleW(nullptr), nullptr);
  for (const TChild& child : FChildren) {
    if (child.Entry->Hint.empty()) {
      continue;
    }
    const std::u16string hint(child.Entry->Hint);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = FHandle;
    tool.uId = reinterpret_cast<UINT_PTR>(child.Handle);
    tool.lpszText = const_cast<LPWSTR>(Wide(hint));
    SendMessageW(FTooltips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }

  FMenu.Reset(CreatePopupMenu());
  const std::span<const form::TMenuItemDesc> items = form::MenuItems();
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i].Caption.empty()) {
      AppendMenuW(FMenu.Get(), MF_SEPARATOR, 0, nullptr);
    } else {
      AppendMenuW(FMenu.Get(), MF_STRING, static_cast<UINT_PTR>(MenuItemId(i)),
                  Wide(std::u16string(items[i].Caption)));
    }
  }
}

void TWin32MainWindow::NameControls() {
  // Where the system has no accessibility annotations, a control keeps the name its text gives.
  if (FAILED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IAccPropServices, FAccessibility.OutVoid()))) {
    return;
  }
  for (const TChild& child : FChildren) {
    if (!child.Entry->AccessibleName.empty()) {
      FAccessibility->SetHwndPropStr(child.Handle, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                     PROPID_ACC_NAME,
                                     Wide(std::u16string(child.Entry->AccessibleName)));
    }
  }
}

void TWin32MainWindow::ApplyResolution() {
  // The window's font at its resolution; the controls take the new one before the old goes.
  LOGFONTW font{};
  font.lfHeight = -MulDiv(form::kFontPoints, FDpi, 72);
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfQuality = CLEARTYPE_QUALITY;
  const std::u16string face(form::kFontFace.substr(0, LF_FACESIZE - 1));
  std::copy(face.begin(), face.end() + 1, reinterpret_cast<char16_t*>(font.lfFaceName));
  win32::TFont previous = std::move(FFont);
  FFont.Reset(CreateFontIndirectW(&font));
  for (const TChild& child : FChildren) {
    SendMessageW(child.Handle, WM_SETFONT, reinterpret_cast<WPARAM>(FFont.Get()), TRUE);
  }

  std::vector<win32::TImageList> images;
  for (const TChild& child : FChildren) {
    if (child.Entry->Picture == form::TPicture::None) {
      continue;
    }
    images.emplace_back(CreateButtonImages(child.Entry->Picture, Scale(form::kPictureSize)));
    // The button's frame takes 3 px of the picture's margin.
    win32::TButton(child.Handle).SetImages(images.back().Get(), Scale(form::kPictureMargin) - 3);
  }
  FImages = std::move(images);

  const std::span<const form::TColumnDesc> columns = form::Columns();
  for (size_t column = 0; column < columns.size(); ++column) {
    if (columns[column].Width > 0) {
      FList.SetColumnWidth(static_cast<int>(column), Scale(columns[column].Width));
    }
  }
  LayOut();
}

void TWin32MainWindow::LayOut() {
  RECT client{};
  GetClientRect(FHandle, &client);
  // Each control keeps its distance to the edges it is anchored to.
  const int growX = client.right - Scale(form::kClientWidth);
  const int growY = client.bottom - Scale(form::kClientHeight);
  const win32::TWindowDc dc(FHandle);
  const win32::TSelected font(dc.Get(), FFont.Get());
  for (const TChild& child : FChildren) {
    const unsigned anchors = child.Entry->Anchors;
    if (anchors == 0) {
      continue;
    }
    const form::TPlace& design = child.Entry->Place;
    int left = Scale(design.Left);
    int width = Scale(design.Width);
    const int top = Scale(design.Top);
    int height = Scale(design.Height);
    if (design.Width == form::kAutoSize) {
      const std::u16string text = WindowText(child.Handle);
      SIZE extent{};
      GetTextExtentPoint32W(dc.Get(), Wide(text), static_cast<int>(text.size()), &extent);
      width = extent.cx;
      height = extent.cy;
    }
    if (anchors & form::kRight) {
      if (anchors & form::kLeft) {
        width = std::max(0, width + growX);
      } else {
        left += growX;
      }
    }
    if (anchors & form::kBottom) {
      height = std::max(0, height + growY);
    }
    MoveWindow(child.Handle, left, top, width, height, TRUE);
  }
  FStatusBar.FollowParent();
  // The last column takes the rest of the list's width.
  FList.SetColumnWidth(static_cast<int>(form::Columns().size()) - 1, LVSCW_AUTOSIZE_USEHEADER);
}

}  // namespace kelvane
