// The settings reader on any bytes: it reads or raises EError, and what the store would write
// back from a document it read reads again to the same values.
#include "FuzzInput.h"
#include "platform/Error.h"
#include "window/SettingsFile.h"

namespace kelvane::fuzz {
namespace {

bool Same(const TXmlElement& ALeft, const TXmlElement& ARight) {
  if (ALeft.Name != ARight.Name || ALeft.Children.size() != ARight.Children.size()) {
    return false;
  }
  if (ALeft.Children.empty()) {
    const bool leftBlank = IsBlankText(ALeft.Text);
    const bool rightBlank = IsBlankText(ARight.Text);
    if (leftBlank != rightBlank || (!leftBlank && ALeft.Text != ARight.Text)) {
      return false;
    }
  }
  for (size_t i = 0; i < ALeft.Children.size(); ++i) {
    if (!Same(*ALeft.Children[i], *ARight.Children[i])) {
      return false;
    }
  }
  return true;
}

}  // namespace
}  // namespace kelvane::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* AData, size_t ASize) {
  using namespace kelvane;
  TSettingsDocument document;
  try {
    document = ParseSettingsFile({reinterpret_cast<const char*>(AData), ASize});
  } catch (const EError&) {
    return 0;
  }
  std::string written;
  try {
    written = WriteReadableSettingsFile(document);
  } catch (const EError&) {
    return 0;  // nothing is written then, and the old file stays
  }
  try {
    if (!fuzz::Same(ParseSettingsFile(written).Root, document.Root)) {
      fuzz::Fail("the file written reads back to other values");
    }
  } catch (const EError&) {
    fuzz::Fail("the file written does not read back");
  }
  return 0;
}
