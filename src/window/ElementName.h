#pragma once

#include <string>
#include <string_view>

namespace kelvane {

// The settings file's element name for a piece of a storage path: each character that is not a
// letter A to Z or a to z, a digit or one of "_", "-", ".", ":" becomes "_".
std::u16string ElementName(std::u16string_view AName);

}  // namespace kelvane
