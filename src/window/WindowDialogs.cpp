#include "window/WindowDialogs.h"

#include <QFileDialog>
#include <QMessageBox>

namespace kelvane {

namespace {

class TQtDialogs final : public TWindowDialogs {
 public:
  std::optional<QString> ChooseFile(QWidget* AParent, TFileChooser& AChooser) override {
    QFileDialog dialog(AParent);
    dialog.setObjectName(AChooser.Name);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(AChooser.Filters);
    if (!AChooser.Directory.isEmpty()) {
      dialog.setDirectory(AChooser.Directory);
    }
    const bool chosen = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
    AChooser.Directory = dialog.directory().absolutePath();
    if (!chosen) {
      return std::nullopt;
    }
    return dialog.selectedFiles().constFirst();
  }

  void ShowError(QWidget* AParent, const QString& ATitle, const QString& AText) override {
    QMessageBox box(QMessageBox::Critical, ATitle, AText, QMessageBox::Ok, AParent);
    box.exec();
  }
};

}  // namespace

std::shared_ptr<TWindowDialogs> CreateWindowDialogs() {
  return std::make_shared<TQtDialogs>();
}

}  // namespace kelvane
