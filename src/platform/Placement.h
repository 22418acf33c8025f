#pragma once

#include <cstdint>

namespace kelvane {

// How a window is shown, numbered as Windows numbers its show commands: the settings file keeps
// these numbers. Minimised also stands as 6 (minimise) and 7 (minimised, not active).
enum TShowState : std::int32_t {
  kShowNormal = 1,
  kShowMinimised = 2,
  kShowMaximised = 3,
  kShowMinimise = 6,
  kShowMinimisedInactive = 7
};

struct TPlacementPoint {
  std::int32_t X = 0;
  std::int32_t Y = 0;
};

struct TPlacementRect {
  std::int32_t Left = 0;
  std::int32_t Top = 0;
  std::int32_t Right = 0;
  std::int32_t Bottom = 0;
};

// The window's placement record, as Windows keeps it: show command (a TShowState), flags,
// minimised and maximised positions, and the normal rectangle.
struct TWindowPlacement {
  std::int32_t Flags = 0;
  std::int32_t ShowCmd = kShowNormal;
  TPlacementPoint MinPosition{-1, -1};
  TPlacementPoint MaxPosition{-1, -1};
  TPlacementRect NormalPosition;
};

}  // namespace kelvane
