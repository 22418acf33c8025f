#include "window/qt/Pictures.h"

#include <cmath>
#include <functional>
#include <numbers>

#include <QImageReader>
#include <QPainter>

namespace kelvane {

namespace {

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
      line[x] = qRgba(form::kFadedGrey, form::kFadedGrey, form::kFadedGrey,
                      form::FadedAlpha(qAlpha(line[x])));
    }
  }
  return QPixmap::fromImage(image);
}

// The picture's file among the program's resources: every size of it, and its faded look for
// the disabled state, made here from each.
QIcon Loaded(const QString& AName) {
  QImageReader reader(QStringLiteral(":/pictures/") + AName + QStringLiteral(".ico"));
  QIcon icon;
  // Every image of the file, from the smallest up: read() alone would give the first again.
  for (int i = 0; i < reader.imageCount() && reader.jumpToImage(i); ++i) {
    const QPixmap normal = QPixmap::fromImage(reader.read());
    icon.addPixmap(normal, QIcon::Normal);
    icon.addPixmap(Faded(normal), QIcon::Disabled);
  }
  return icon;
}

}  // namespace

QIcon Picture(form::TPicture APicture) {
  switch (APicture) {
    case form::TPicture::Window:
      return Loaded(QStringLiteral("kelvane"));
    case form::TPicture::Search:
      return Loaded(QStringLiteral("search"));
    case form::TPicture::Start:
      return Loaded(QStringLiteral("start"));
    case form::TPicture::Stop:
      return Loaded(QStringLiteral("stop"));
    case form::TPicture::None:
      break;
  }
  return {};
}

std::vector<QPixmap> BusyFrames() {
  std::vector<QPixmap> frames;
  frames.reserve(form::kBusyDots);
  for (int frame = 0; frame < form::kBusyDots; ++frame) {
    frames.push_back(Draw(form::kPictureSize, [frame](QPainter& p) {
      p.setPen(Qt::NoPen);
      constexpr qreal kCentre = form::kPictureSize / 2.0;
      for (int dot = 0; dot < form::kBusyDots; ++dot) {
        const int grey = form::BusyDotGrey(frame, dot);
        p.setBrush(QColor(grey, grey, grey));
        const qreal angle = dot * 2 * std::numbers::pi / form::kBusyDots;
        const QPointF centre(kCentre + form::kBusyRingRadius * std::sin(angle),
                             kCentre - form::kBusyRingRadius * std::cos(angle));
        p.drawEllipse(centre, form::kBusyDotRadius, form::kBusyDotRadius);
      }
    }));
  }
  return frames;
}

}  // namespace kelvane
