#pragma once

#include <windows.h>

namespace kelvane {

// The training driver's own class: its identifier and ProgID.
// {6F1C2A4E-9B3D-4C7A-8E25-4B9D7A1C3E58}
inline constexpr CLSID kSimDriverClassId = {
    0x6f1c2a4e, 0x9b3d, 0x4c7a, {0x8e, 0x25, 0x4b, 0x9d, 0x7a, 0x1c, 0x3e, 0x58}};
inline constexpr wchar_t kSimDriverProgId[] = L"Kelvane.SimDriver";

}  // namespace kelvane
