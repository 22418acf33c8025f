#pragma once

namespace kelvane {

// Makes the window's font Tahoma 8 pt, registering the one Wine ships where the system has none;
// a close sans-serif otherwise.
void ApplyWindowFont();

}  // namespace kelvane
