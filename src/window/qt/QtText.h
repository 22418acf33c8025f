#pragma once

#include <string>
#include <string_view>

#include <QString>

namespace kelvane {

// The core's UTF-16 text and Qt's, one into the other.
inline QString ToQt(std::u16string_view AText) {
  return QString::fromUtf16(AText.data(), static_cast<qsizetype>(AText.size()));
}

inline std::u16string FromQt(const QString& AText) {
  return AText.toStdU16String();
}

}  // namespace kelvane
