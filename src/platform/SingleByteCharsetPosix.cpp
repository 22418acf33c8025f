#include <iconv.h>

#include <cerrno>
#include <string>

#include "platform/SingleByteCharset.h"

namespace kelvane {

namespace {

class TIconv {
 public:
  TIconv(const char* ATo, const char* AFrom) : FHandle(iconv_open(ATo, AFrom)) {}
  ~TIconv() {
    if (Valid()) {
      iconv_close(FHandle);
    }
  }
  TIconv(const TIconv&) = delete;
  TIconv& operator=(const TIconv&) = delete;
  // iconv_open reports failure as (iconv_t)-1.
  bool Valid() const {
    return FHandle != reinterpret_cast<iconv_t>(-1);  // NOLINT(performance-no-int-to-ptr)
  }
  iconv_t Handle() const { return FHandle; }

 private:
  iconv_t FHandle;
};

}  // namespace

std::shared_ptr<const TSingleByteCharset> TSingleByteCharset::ForName(
    std::string_view ACharsetName) {
  if (!PlausibleName(ACharsetName)) {
    return nullptr;
  }
  const std::string name(ACharsetName);
  TIconv converter("UTF-16LE", name.c_str());
  if (!converter.Valid()) {
    return nullptr;
  }
  std::array<char16_t, 256> table{};
  for (int b = 0; b < 256; ++b) {
    iconv(converter.Handle(), nullptr, nullptr, nullptr, nullptr);
    char input = static_cast<char>(b);
    unsigned char output[8] = {};
    char* in = &input;
    size_t inLeft = 1;
    char* out = reinterpret_cast<char*>(output);
    size_t outLeft = sizeof output;
    const size_t status = iconv(converter.Handle(), &in, &inLeft, &out, &outLeft);
    const size_t written = sizeof output - outLeft;
    if (status == static_cast<size_t>(-1) && errno == EINVAL) {
      // An incomplete sequence: the byte leads a multi-byte character.
      return nullptr;
    }
    if (status == static_cast<size_t>(-1) || written != 2) {
      table[static_cast<size_t>(b)] = static_cast<char16_t>(b);
      continue;
    }
    table[static_cast<size_t>(b)] = static_cast<char16_t>(output[0] | (output[1] << 8));
  }
  return std::make_shared<const TSingleByteCharset>(table);
}

}  // namespace kelvane
