#pragma once

#include <cstdint>

namespace kelvane {

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

// The window's placement record, as Windows keeps it: show command (1 normal, 2 minimised,
// 3 maximised), flags, minimised and maximised positions, and the normal rectangle.
struct TWindowPlacement {
  std::int32_t Flags = 0;
  std::int32_t ShowCmd = 1;
  TPlacementPoint MinPosition{-1, -1};
  TPlacementPoint MaxPosition{-1, -1};
  TPlacementRect NormalPosition;
};

}  // namespace kelvane
