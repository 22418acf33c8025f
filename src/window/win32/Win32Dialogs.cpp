#include "window/win32/Win32Dialogs.h"

#include <commdlg.h>
#include <vector>

#include "platform/Files.h"
#include "platform/WideText.h"

namespace kelvane {

namespace {

class TSystemDialogs final : public TWin32Dialogs {
 public:
  std::optional<std::u16string> ChooseFile(HWND AOwner, const TFileChooser& AChooser) override {
    // Each entry shows its pattern and filters by it: "*.bin\0*.bin\0*.*\0*.*\0\0".
    std::u16string filter;
    for (const std::u16string& pattern : AChooser.Filters) {
      filter += pattern + u'\0' + pattern + u'\0';
    }
    filter += u'\0';
    std::vector<wchar_t> file(32768, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = AOwner;
    dialog.lpstrFilter = Wide(filter);
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrInitialDir = AChooser.Directory.empty() ? nullptr : Wide(AChooser.Directory);
    // The named file need not exist; the process's current folder stays as it is.
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!GetOpenFileNameW(&dialog)) {
      return std::nullopt;
    }
    return std::u16string(reinterpret_cast<const char16_t*>(file.data()));
  }

  void ShowError(HWND AOwner, const std::u16string& ATitle, const std::u16string& AText) override {
    MessageBoxW(AOwner, Wide(AText), Wide(ATitle), MB_OK | MB_ICONERROR);
  }
};

}  // namespace

std::shared_ptr<TWin32Dialogs> CreateWin32Dialogs() {
  return std::make_shared<TSystemDialogs>();
}

}  // namespace kelvane
