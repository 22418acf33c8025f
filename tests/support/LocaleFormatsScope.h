#pragma once

namespace kelvane::test {

// Puts the Russian workstation's date and time formats (dd.MM.yyyy, H:mm:ss) in place for the life
// of the scope, so that the texts the tests expect do not depend on the machine's locale.
class TLocaleFormatsScope {
 public:
  TLocaleFormatsScope();
  ~TLocaleFormatsScope();
  TLocaleFormatsScope(const TLocaleFormatsScope&) = delete;
  TLocaleFormatsScope& operator=(const TLocaleFormatsScope&) = delete;
};

}  // namespace kelvane::test
