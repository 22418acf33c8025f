// Without Win32 placement, the placement record maps onto Qt's geometry.
#include <QGuiApplication>
#include <QScreen>

#include "window/qt/QtKeptWindow.h"

namespace kelvane {

TWindowPlacement TQtKeptWindow::Placement() const {
  TWindowPlacement placement;
  placement.Flags = FFlags;
  placement.ShowCmd = ShowState();
  placement.MinPosition = FMinPosition;
  placement.MaxPosition = FMaxPosition;
  QRect normal = FWindow.normalGeometry();
  if (!normal.isValid()) {
    normal = FWindow.geometry();
  }
  placement.NormalPosition = {normal.left(), normal.top(), normal.left() + normal.width(),
                              normal.top() + normal.height()};
  return placement;
}

void TQtKeptWindow::SetPlacement(const TWindowPlacement& APlacement) {
  FFlags = APlacement.Flags;
  FMinPosition = APlacement.MinPosition;
  FMaxPosition = APlacement.MaxPosition;
  const TPlacementRect& rect = APlacement.NormalPosition;
  FWindow.setGeometry(rect.Left, rect.Top, rect.Right - rect.Left, rect.Bottom - rect.Top);
}

void TQtKeptWindow::PlaceMaximisedBorderOutsideScreen() {
}

std::int32_t TQtKeptWindow::DesktopWidth() const {
  return QGuiApplication::primaryScreen()->virtualGeometry().width();
}

std::int32_t TQtKeptWindow::DesktopHeight() const {
  return QGuiApplication::primaryScreen()->virtualGeometry().height();
}

std::int32_t TQtKeptWindow::PixelsPerInch() const {
  return qRound(QGuiApplication::primaryScreen()->logicalDotsPerInch());
}

bool TQtKeptWindow::OnMonitor(TPlacementPoint APoint) const {
  return QGuiApplication::screenAt(QPoint(APoint.X, APoint.Y)) != nullptr;
}

}  // namespace kelvane
