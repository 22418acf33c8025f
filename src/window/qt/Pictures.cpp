#include "window/qt/Pictures.h"

#include <cmath>
#include <functional>
#include <numbers>

#include <QPainter>
#include <QPainterPath>

namespace kelvane {

namespace {

const QColor kDarkGrey(64, 64, 64);

QPixmap Draw(int ASize, const std::function<void(QPainter&)>& APaint) {
  QPixmap pixmap(ASize, ASize);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  APaint(painter);
  return pixmap;
}

// The disabled look: the same shape in light grey, half transparent.
QPixmap Faded(const QPixmap& APixmap) {
  QImage image = APixmap.toImage().convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < image.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      line[x] = qRgba(160, 160, 160, qAlpha(line[x]) / 2);
    }
  }
  return QPixmap::fromImage(image);
}

QIcon Picture(const std::function<void(QPainter&)>& APaint) {
  const QPixmap normal = Draw(16, APaint);
  QIcon icon;
  icon.addPixmap(normal, QIcon::Normal);
  icon.addPixmap(Faded(normal), QIcon::Disabled);
  return icon;
}

QPen Pen(qreal AWidth) {
  return QPen(kDarkGrey, AWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// An arc of the circle around the picture's centre with an arrow head at its end.
void ArrowArc(QPainter& APainter, qreal AStartDegrees, qreal ASpanDegrees) {
  const QRectF circle(3, 3, 10, 10);
  APainter.setPen(Pen(1.8));
  APainter.setBrush(Qt::NoBrush);
  APainter.drawArc(circle, static_cast<int>(AStartDegrees * 16),
                   static_cast<int>(ASpanDegrees * 16));
  const qreal end = (AStartDegrees + ASpanDegrees) * std::numbers::pi / 180.0;
  const QPointF tip(8 + 5 * std::cos(end), 8 - 5 * std::sin(end));
  // The head points along the arc's direction of travel.
  const qreal along = end + (ASpanDegrees > 0 ? std::numbers::pi / 2 : -std::numbers::pi / 2);
  const QPointF direction(std::cos(along), -std::sin(along));
  const QPointF normal(-direction.y(), direction.x());
  QPainterPath head;
  head.moveTo(tip + direction * 3.0);
  head.lineTo(tip + normal * 2.8);
  head.lineTo(tip - normal * 2.8);
  head.closeSubpath();
  APainter.setPen(Qt::NoPen);
  APainter.setBrush(kDarkGrey);
  APainter.drawPath(head);
}

QIcon SearchPicture() {
  return Picture([](QPainter& p) {
    p.setPen(Pen(1.8));
    p.drawEllipse(QRectF(2, 2, 8.5, 8.5));
    p.setPen(Pen(2.6));
    p.drawLine(QPointF(10, 10), QPointF(14, 14));
  });
}

QIcon StartPicture() {
  return Picture([](QPainter& p) {
    ArrowArc(p, 100, 140);
    ArrowArc(p, 280, 140);
  });
}

QIcon StopPicture() {
  return Picture([](QPainter& p) {
    p.setPen(Pen(1.6));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    p.setPen(Qt::NoPen);
    p.setBrush(kDarkGrey);
    p.drawRect(QRectF(5.5, 5.5, 5, 5));
  });
}

QIcon WindowPicture() {
  QIcon icon;
  for (const int size : {16, 32, 48}) {
    icon.addPixmap(Draw(size, [size](QPainter& p) {
      p.scale(size / 16.0, size / 16.0);
      // A register: a body, its paper strip and a display.
      p.setPen(Pen(1.0));
      p.setBrush(QColor(230, 230, 230));
      p.drawRoundedRect(QRectF(1.5, 6.5, 13, 8), 1.5, 1.5);
      p.setBrush(Qt::white);
      p.drawRect(QRectF(4.5, 1.5, 7, 5));
      p.setBrush(QColor(40, 110, 60));
      p.drawRect(QRectF(3.5, 8.5, 5, 2.5));
    }));
  }
  return icon;
}

}  // namespace

QIcon Picture(form::TPicture APicture) {
  switch (APicture) {
    case form::TPicture::Window:
      return WindowPicture();
    case form::TPicture::Search:
      return SearchPicture();
    case form::TPicture::Start:
      return StartPicture();
    case form::TPicture::Stop:
      return StopPicture();
    case form::TPicture::None:
      break;
  }
  return {};
}

std::vector<QPixmap> BusyFrames() {
  std::vector<QPixmap> frames;
  frames.reserve(8);
  for (int frame = 0; frame < 8; ++frame) {
    frames.push_back(Draw(16, [frame](QPainter& p) {
      p.setPen(Qt::NoPen);
      for (int dot = 0; dot < 8; ++dot) {
        // The leading dot is darkest; the ones behind it fade out.
        const int age = (frame - dot + 8) % 8;
        const int grey = 80 + age * 22;
        p.setBrush(QColor(grey, grey, grey));
        const qreal angle = dot * std::numbers::pi / 4;
        const QPointF centre(8 + 5.5 * std::sin(angle), 8 - 5.5 * std::cos(angle));
        p.drawEllipse(centre, 1.7, 1.7);
      }
    }));
  }
  return frames;
}

}  // namespace kelvane
