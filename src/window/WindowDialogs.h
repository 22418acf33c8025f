#pragma once

#include <memory>
#include <optional>

#include <QString>
#include <QStringList>

class QWidget;

namespace kelvane {

// A file-open chooser as the window keeps it from one use to the next: its filters and the folder
// it shows. The dialog itself exists only while it is open.
struct TFileChooser {
  QString Name;
  QStringList Filters;
  QString Directory;
};

// The window's modal dialogs, behind a seam so that tests can answer them.
class TWindowDialogs {
 public:
  virtual ~TWindowDialogs() = default;
  // Shows the chooser (it does not demand that the named file exist) and keeps the folder it
  // showed last; the chosen path, or nothing when cancelled.
  virtual std::optional<QString> ChooseFile(QWidget* AParent, TFileChooser& AChooser) = 0;
  // A modal error box with an error icon and a single OK button.
  virtual void ShowError(QWidget* AParent, const QString& ATitle, const QString& AText) = 0;
};

// The real dialogs.
std::shared_ptr<TWindowDialogs> CreateWindowDialogs();

}  // namespace kelvane
