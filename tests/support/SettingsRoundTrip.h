#pragma once

#include <string>
#include <string_view>

namespace kelvane::test {

// One run of the settings store on AFile that writes AValue at APath and ends; then the value the
// next run reads there ("<none>" when it is not stored).
std::u16string WriteThenReadBack(const std::u16string& AFile, std::u16string_view APath,
                                 const std::u16string& AValue);

}  // namespace kelvane::test
