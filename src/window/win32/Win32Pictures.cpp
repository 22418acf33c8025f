#include "window/win32/Win32Pictures.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <vector>

namespace kelvane {

namespace {

struct TPoint {
  double X;
  double Y;
};

// A shape on the 16 x 16 design grid: true where a point belongs to it.
using TShape = std::function<bool(TPoint)>;

double Distance(TPoint A, TPoint B) {
  return std::hypot(A.X - B.X, A.Y - B.Y);
}

TShape Ring(TPoint ACentre, double ARadius, double AWidth) {
  return [=](TPoint P) { return std::abs(Distance(P, ACentre) - ARadius) <= AWidth / 2; };
}

// A stroke from A to B with round caps.
TShape Stroke(TPoint A, TPoint B, double AWidth) {
  return [=](TPoint P) {
    const double dx = B.X - A.X;
    const double dy = B.Y - A.Y;
    const double t =
        std::clamp(((P.X - A.X) * dx + (P.Y - A.Y) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
    return Distance(P, {A.X + t * dx, A.Y + t * dy}) <= AWidth / 2;
  };
}

TShape Box(double ALeft, double ATop, double ARight, double ABottom) {
  return [=](TPoint P) { return P.X >= ALeft && P.X <= ARight && P.Y >= ATop && P.Y <= ABottom; };
}

TShape Triangle(TPoint A, TPoint B, TPoint C) {
  return [=](TPoint P) {
    const auto side = [&](TPoint U, TPoint V) {
      return (V.X - U.X) * (P.Y - U.Y) - (V.Y - U.Y) * (P.X - U.X);
    };
    const double a = side(A, B);
    const double b = side(B, C);
    const double c = side(C, A);
    return (a >= 0 && b >= 0 && c >= 0) || (a <= 0 && b <= 0 && c <= 0);
  };
}

// An arc of the circle of radius 5 around the centre, counter-clockwise from AStart degrees over
// ASpan, with an arrow head at its end pointing along it.
std::vector<TShape> ArrowArc(double AStart, double ASpan) {
  const double from = AStart * std::numbers::pi / 180;
  const double to = (AStart + ASpan) * std::numbers::pi / 180;
  const TShape ring = Ring({8, 8}, 5, 1.8);
  const TShape arc = [=](TPoint P) {
    double angle = std::atan2(8 - P.Y, P.X - 8);
    while (angle < from) {
      angle += 2 * std::numbers::pi;
    }
    return angle <= to && ring(P);
  };
  const TPoint tip{8 + 5 * std::cos(to), 8 - 5 * std::sin(to)};
  const double along = to + std::numbers::pi / 2;
  const TPoint direction{std::cos(along), -std::sin(along)};
  const TPoint normal{-direction.Y, direction.X};
  return {arc, Triangle({tip.X + direction.X * 3, tip.Y + direction.Y * 3},
                        {tip.X + normal.X * 2.8, tip.Y + normal.Y * 2.8},
                        {tip.X - normal.X * 2.8, tip.Y - normal.Y * 2.8})};
}

std::vector<TShape> Shapes(form::TPicture APicture) {
  switch (APicture) {
    case form::TPicture::Search:
      return {Ring({6.25, 6.25}, 4.25, 1.8), Stroke({10, 10}, {14, 14}, 2.6)};
    case form::TPicture::Start: {
      std::vector<TShape> shapes = ArrowArc(100, 140);
      const std::vector<TShape> second = ArrowArc(280, 140);
      shapes.insert(shapes.end(), second.begin(), second.end());
      return shapes;
    }
    case form::TPicture::Stop:
      return {Ring({8, 8}, 6.5, 1.6), Box(5.5, 5.5, 10.5, 10.5)};
    case form::TPicture::Window:
    case form::TPicture::None:
      break;
  }
  return {};
}

struct TColour {
  BYTE Red;
  BYTE Green;
  BYTE Blue;
  // 0 to 1: how much of the pixel the colour covers.
  double Opacity;
};

// A 32-bit bitmap with premultiplied alpha: each pixel's share of the shapes, found with 4 x 4
// samples, in the colour given.
HBITMAP Render(const std::vector<std::pair<std::vector<TShape>, TColour>>& ALayers, int ASize) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = ASize;
  info.bmiHeader.biHeight = -ASize;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap == nullptr) {
    return nullptr;
  }
  auto* pixels = static_cast<DWORD*>(bits);
  const double scale = 16.0 / ASize;
  for (int y = 0; y < ASize; ++y) {
    for (int x = 0; x < ASize; ++x) {
      double red = 0, green = 0, blue = 0, alpha = 0;
      for (const auto& [shapes, colour] : ALayers) {
        int hits = 0;
        for (int sy = 0; sy < 4; ++sy) {
          for (int sx = 0; sx < 4; ++sx) {
            const TPoint point{(x + (sx + 0.5) / 4) * scale, (y + (sy + 0.5) / 4) * scale};
            hits += std::any_of(shapes.begin(), shapes.end(),
                                [&](const TShape& AShape) { return AShape(point); });
          }
        }
        // Each layer lies over the ones before it.
        const double a = colour.Opacity * hits / 16.0;
        red = colour.Red * a + red * (1 - a);
        green = colour.Green * a + green * (1 - a);
        blue = colour.Blue * a + blue * (1 - a);
        alpha = a + alpha * (1 - a);
      }
      pixels[y * ASize + x] =
          (static_cast<DWORD>(alpha * 255 + 0.5) << 24) | (static_cast<DWORD>(red + 0.5) << 16) |
          (static_cast<DWORD>(green + 0.5) << 8) | static_cast<DWORD>(blue + 0.5);
    }
  }
  return bitmap;
}

constexpr TColour kDarkGrey{64, 64, 64, 1.0};
// The disabled look: the same shape in light grey, half transparent.
constexpr TColour kFaded{160, 160, 160, 0.5};

}  // namespace

HIMAGELIST CreateButtonImages(form::TPicture APicture, int ASize) {
  HIMAGELIST images = ImageList_Create(ASize, ASize, ILC_COLOR32, 6, 0);
  const std::vector<TShape> shapes = Shapes(APicture);
  HBITMAP normal = Render({{shapes, kDarkGrey}}, ASize);
  HBITMAP faded = Render({{shapes, kFaded}}, ASize);
  // Normal, hot, pressed, disabled, defaulted, stylus hot.
  for (HBITMAP state : {normal, normal, normal, faded, normal, normal}) {
    ImageList_Add(images, state, nullptr);
  }
  DeleteObject(normal);
  DeleteObject(faded);
  return images;
}

HICON CreateWindowIcon(int ASize) {
  HBITMAP colour = Render({{{Box(1.5, 6.5, 14.5, 14.5)}, {64, 64, 64, 1.0}},
                           {{Box(2.5, 7.5, 13.5, 13.5)}, {230, 230, 230, 1.0}},
                           {{Box(4.5, 1.5, 11.5, 6.5)}, {64, 64, 64, 1.0}},
                           {{Box(5.5, 2.5, 10.5, 6.5)}, {255, 255, 255, 1.0}},
                           {{Box(3.5, 8.5, 8.5, 11)}, {40, 110, 60, 1.0}}},
                          ASize);
  HBITMAP mask = CreateBitmap(ASize, ASize, 1, 1, nullptr);
  ICONINFO info{TRUE, 0, 0, mask, colour};
  HICON icon = CreateIconIndirect(&info);
  DeleteObject(colour);
  DeleteObject(mask);
  return icon;
}

void DrawBusyFrame(HDC ADc, const RECT& ARect, int AFrame, COLORREF ABackground) {
  HBRUSH background = CreateSolidBrush(ABackground);
  FillRect(ADc, &ARect, background);
  DeleteObject(background);
  const double scale = (ARect.right - ARect.left) / 16.0;
  const HGDIOBJ pen = SelectObject(ADc, GetStockObject(NULL_PEN));
  for (int dot = 0; dot < 8; ++dot) {
    // The leading dot is darkest; the ones behind it fade out.
    const int behind = (AFrame - dot + 8) % 8;
    const int level = std::min(64 + behind * 24, 230);
    HBRUSH brush = CreateSolidBrush(RGB(level, level, level));
    HGDIOBJ previous = SelectObject(ADc, brush);
    const double angle = dot * std::numbers::pi / 4;
    const double cx = ARect.left + (8 + 5.5 * std::sin(angle)) * scale;
    const double cy = ARect.top + (8 - 5.5 * std::cos(angle)) * scale;
    const double r = 1.7 * scale;
    Ellipse(ADc, static_cast<int>(cx - r), static_cast<int>(cy - r), static_cast<int>(cx + r + 1),
            static_cast<int>(cy + r + 1));
    SelectObject(ADc, previous);
    DeleteObject(brush);
  }
  // The control's own pen again, as its drawing found it.
  SelectObject(ADc, pen);
}

}  // namespace kelvane
