#include "window/qt/WindowDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

#include "window/qt/QtText.h"

namespace kelvane {

namespace {

class TQtDialogs final : public TWindowDialogs {
 public:
  std::optional<std::u16string> ChooseFile(QWidget* AParent,
                                           const TFileChooser& AChooser) override {
    QFileDialog dialog(AParent);
    dialog.setObjectName(ToQt(AChooser.Name));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    QStringList filters;
    for (const std::u16string& filter : AChooser.Filters) {
      filters.append(ToQt(filter));
    }
    dialog.setNameFilters(filters);
    if (!AChooser.Directory.empty()) {
      dialog.setDirectory(ToQt(AChooser.Directory));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
      return std::nullopt;
    }
    return FromQt(QDir::toNativeSeparators(dialog.selectedFiles().constFirst()));
  }

  void ShowError(QWidget* AParent, const std::u16string& ATitle,
                 const std::u16string& AText) override {
    QMessageBox box(QMessageBox::Critical, ToQt(ATitle), ToQt(AText), QMessageBox::Ok, AParent);
    box.exec();
  }
};

}  // namespace

std::shared_ptr<TWindowDialogs> CreateWindowDialogs() {
  return std::make_shared<TQtDialogs>();
}

}  // namespace kelvane
