#include "window/qt/QtFont.h"

#include <QApplication>
#include <QFileInfo>
#include <QFontDatabase>

namespace kelvane {

void ApplyWindowFont() {
  static const QString wineTahoma = "/usr/share/wine/fonts/tahoma.ttf";
  if (!QFontDatabase::families().contains("Tahoma") && QFileInfo::exists(wineTahoma)) {
    QFontDatabase::addApplicationFont(wineTahoma);
  }
  QFont font(QFontDatabase::families().contains("Tahoma") ? "Tahoma" : "DejaVu Sans");
  font.setPointSize(8);
  QApplication::setFont(font);
}

}  // namespace kelvane
