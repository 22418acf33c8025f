#include "window/qt/QtFont.h"

#include <QApplication>
#include <QFileInfo>
#include <QFontDatabase>

#include "window/MainForm.h"
#include "window/qt/QtText.h"

namespace kelvane {

void ApplyWindowFont() {
  // Wine's copy of the face, for a Linux system that has none of its own.
  static const QString wineFont =
      "/usr/share/wine/fonts/" + ToQt(form::kFontFace).toLower() + ".ttf";
  const QString face = ToQt(form::kFontFace);
  if (!QFontDatabase::families().contains(face) && QFileInfo::exists(wineFont)) {
    QFontDatabase::addApplicationFont(wineFont);
  }
  QFont font(QFontDatabase::families().contains(face) ? face : QStringLiteral("DejaVu Sans"));
  font.setPointSize(form::kFontPoints);
  QApplication::setFont(font);
}

}  // namespace kelvane
