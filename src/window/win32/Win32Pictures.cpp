#include "window/win32/Win32Pictures.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "platform/WinOwners.h"

namespace kelvane {

namespace {

// The picture from the program's resources, at ASize pixels; the caller destroys it.
HICON LoadPicture(form::TPicture APicture, int ASize) {
  return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr),
                                       MAKEINTRESOURCEW(static_cast<int>(APicture)), IMAGE_ICON,
                                       ASize, ASize, LR_DEFAULTCOLOR));
}

// The disabled look of an icon: the same shape in light grey, half transparent, as a 32-bit
// bitmap with premultiplied alpha. Null when the icon's pixels cannot be read.
win32::TBitmap Faded(HICON AIcon, int ASize) {
  ICONINFO icon{};
  if (!GetIconInfo(AIcon, &icon)) {
    return {};
  }
  const win32::TBitmap colour(icon.hbmColor);
  const win32::TBitmap mask(icon.hbmMask);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = ASize;
  info.bmiHeader.biHeight = -ASize;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  std::vector<DWORD> pixels(static_cast<size_t>(ASize) * static_cast<size_t>(ASize));
  const bool read =
      colour && GetDIBits(win32::TWindowDc(nullptr).Get(), colour.Get(), 0,
                          static_cast<UINT>(ASize), pixels.data(), &info, DIB_RGB_COLORS) == ASize;
  void* bits = nullptr;
  win32::TBitmap faded(
      read ? CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr);
  if (!faded) {
    return {};
  }
  auto* out = static_cast<DWORD*>(bits);
  for (size_t i = 0; i < pixels.size(); ++i) {
    const DWORD alpha = static_cast<DWORD>(form::FadedAlpha(static_cast<int>(pixels[i] >> 24)));
    const DWORD grey = form::kFadedGrey * alpha / 255;
    out[i] = (alpha << 24) | (grey << 16) | (grey << 8) | grey;
  }
  return faded;
}

}  // namespace

HIMAGELIST CreateButtonImages(form::TPicture APicture, int ASize) {
  HIMAGELIST images = ImageList_Create(ASize, ASize, ILC_COLOR32, 6, 0);
  const win32::TIcon icon(LoadPicture(APicture, ASize));
  const win32::TBitmap faded = icon ? Faded(icon.Get(), ASize) : win32::TBitmap();
  // Normal, hot, pressed, disabled, defaulted, stylus hot.
  constexpr int kDisabled = 3;
  for (int state = 0; state < 6; ++state) {
    if (state == kDisabled && faded) {
      ImageList_Add(images, faded.Get(), nullptr);
    } else if (icon) {
      ImageList_AddIcon(images, icon.Get());
    }
  }
  return images;
}

HICON CreateWindowIcon(int ASize) {
  return LoadPicture(form::TPicture::Window, ASize);
}

void DrawBusyFrame(HDC ADc, const RECT& ARect, int AFrame, COLORREF ABackground) {
  FillRect(ADc, &ARect, win32::TBrush(CreateSolidBrush(ABackground)).Get());
  const double scale = (ARect.right - ARect.left) / static_cast<double>(form::kPictureSize);
  constexpr double kCentre = form::kPictureSize / 2.0;
  const win32::TSelected pen(ADc, GetStockObject(NULL_PEN));
  for (int dot = 0; dot < form::kBusyDots; ++dot) {
    const int level = form::BusyDotGrey(AFrame, dot);
    const win32::TBrush brush(CreateSolidBrush(RGB(level, level, level)));
    const win32::TSelected selected(ADc, brush.Get());
    const double angle = dot * 2 * std::numbers::pi / form::kBusyDots;
    const double cx = ARect.left + (kCentre + form::kBusyRingRadius * std::sin(angle)) * scale;
    const double cy = ARect.top + (kCentre - form::kBusyRingRadius * std::cos(angle)) * scale;
    const double r = form::kBusyDotRadius * scale;
    Ellipse(ADc, static_cast<int>(cx - r), static_cast<int>(cy - r), static_cast<int>(cx + r + 1),
            static_cast<int>(cy + r + 1));
  }
}

}  // namespace kelvane
