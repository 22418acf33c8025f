#pragma once

#include <memory>
#include <optional>
#include <string>

#include "window/MainView.h"

class QWidget;

namespace kelvane {

// The Qt window's modal dialogs, behind a seam so that the screenshots can answer them.
class TWindowDialogs {
 public:
  virtual ~TWindowDialogs() = default;
  // As TMainView::ChooseFile.
  virtual std::optional<std::u16string> ChooseFile(QWidget* AParent,
                                                   const TFileChooser& AChooser) = 0;
  // A modal error box with an error icon and a single OK button.
  virtual void ShowError(QWidget* AParent, const std::u16string& ATitle,
                         const std::u16string& AText) = 0;
};

// The real dialogs.
std::shared_ptr<TWindowDialogs> CreateWindowDialogs();

}  // namespace kelvane
