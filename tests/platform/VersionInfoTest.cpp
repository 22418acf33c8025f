#include <gtest/gtest.h>

#include "platform/VersionInfo.h"

namespace kelvane::test {
namespace {

// The build's one version source: the version resource on Windows, the build setting elsewhere.
TEST(VersionInfo, IsTheToolsFileVersion) {
  EXPECT_EQ(FileVersionText(), u"1.0.0.6");
}

}  // namespace
}  // namespace kelvane::test
