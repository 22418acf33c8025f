#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "window/MainView.h"

namespace kelvane {

// The Win32 window's modal dialogs, behind a seam so that tests can answer them.
class TWin32Dialogs {
 public:
  virtual ~TWin32Dialogs() = default;
  // As TMainView::ChooseFile.
  virtual std::optional<std::u16string> ChooseFile(HWND AOwner, const TFileChooser& AChooser) = 0;
  // A modal box with the error icon and a single OK button.
  virtual void ShowError(HWND AOwner, const std::u16string& ATitle,
                         const std::u16string& AText) = 0;
};

// GetOpenFileNameW and MessageBoxW.
std::shared_ptr<TWin32Dialogs> CreateWin32Dialogs();

}  // namespace kelvane
