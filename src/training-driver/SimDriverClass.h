#pragma once

#include <windows.h>

namespace kelvane {

// The training driver's own class: its identifier and ProgID.
// {6F1C2A4E-9B3D-4C7A-8E25-4B9D7A1C3E58}
inline constexpr CLSID kSimDriverClassId = {
    0x6f1c2a4e, 0x9b3d, 0x4c7a, {0x8e, 0x25, 0x4b, 0x9d, 0x7a, 0x1c, 0x3e, 0x58}};
inline constexpr wchar_t kSimDriverProgId[] = L"Kelvane.SimDriver";

// Its type library (version 1.0) and the dual interface it describes, as Tarvik48.idl names them.
// {536F870C-6865-400C-AC36-BB3214D5626B}
inline constexpr GUID kSimDriverLibraryId = {
    0x536f870c, 0x6865, 0x400c, {0xac, 0x36, 0xbb, 0x32, 0x14, 0xd5, 0x62, 0x6b}};
// {B0593030-3990-4B6B-8663-33EF7F69BC55}
inline constexpr IID kTarvik48InterfaceId = {
    0xb0593030, 0x3990, 0x4b6b, {0x86, 0x63, 0x33, 0xef, 0x7f, 0x69, 0xbc, 0x55}};

}  // namespace kelvane
