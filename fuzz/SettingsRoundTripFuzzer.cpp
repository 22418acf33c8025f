// The store's round trip: any value written, flushed and read by the next run comes back as it
// was, but for a value of blanks only, which comes back empty.
#include <unistd.h>

#include <filesystem>

#include "FuzzInput.h"
#include "window/XmlStorage.h"

namespace {

const std::u16string& FileName() {
  static const std::u16string name = (std::filesystem::temp_directory_path() /
                                      ("kelvane-fuzz-" + std::to_string(getpid())) / "Kelvane.xml")
                                         .u16string();
  return name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* AData, size_t ASize) {
  using namespace kelvane;
  if (ASize == 0) {
    return 0;
  }
  // The first byte picks where the value goes: the window's own places and a deeper one.
  static const char16_t* const kPaths[] = {u"fmMain\\edtFileName_Text", u"fmMain\\FormVersion",
                                           u"Other\\Deep\\Deeper\\Value"};
  const std::u16string_view path = kPaths[AData[0] % 3];
  const std::u16string value = kelvane::fuzz::CodeUnits(AData + 1, ASize - 1);

  const std::filesystem::path file(FileName());
  std::filesystem::remove_all(file.parent_path());
  {
    TXmlStorage store(FileName());
    store.Reload();
    store.WriteString(path, value);
    store.Flush();
  }
  TXmlStorage next(FileName());
  next.Reload();
  const std::u16string back = next.ReadString(path, u"<none>");
  if (back != (fuzz::IsBlankText(value) ? std::u16string() : value)) {
    kelvane::fuzz::Fail("a value did not come back as written");
  }
  return 0;
}
