#include "support/PortSourceScope.h"

namespace kelvane::test {

TScriptedPortSource::TScriptedPortSource(std::vector<std::optional<std::u16string>> ANames)
    : FNames(std::move(ANames)) {
}

std::vector<std::optional<std::u16string>> TScriptedPortSource::PresentPortNames() {
  std::lock_guard lock(FMutex);
  return FNames;
}

void TScriptedPortSource::SetNames(std::vector<std::optional<std::u16string>> ANames) {
  std::lock_guard lock(FMutex);
  FNames = std::move(ANames);
}

TPortSourceScope::TPortSourceScope(std::vector<std::optional<std::u16string>> ANames)
    : FSource(std::make_shared<TScriptedPortSource>(std::move(ANames))),
      FSlot(SetPortSource, FSource) {
}

}  // namespace kelvane::test
