#include "support/SettingsRoundTrip.h"

#include <gtest/gtest.h>

#include "window/XmlStorage.h"

namespace kelvane::test {

std::u16string WriteThenReadBack(const std::u16string& AFile, std::u16string_view APath,
                                 const std::u16string& AValue) {
  {
    TXmlStorage store(AFile);
    EXPECT_NO_THROW(store.Reload());
    store.WriteString(APath, AValue);
    store.Flush();
  }
  TXmlStorage next(AFile);
  next.Reload();
  return next.ReadString(APath, u"<none>");
}

}  // namespace kelvane::test
