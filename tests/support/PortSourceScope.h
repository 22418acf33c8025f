#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "discovery/PortSource.h"
#include "support/SlotValue.h"

namespace kelvane::test {

// Port names as a test gives them; a missing name stands for a device whose name cannot be read.
class TScriptedPortSource final : public TPortSource {
 public:
  explicit TScriptedPortSource(std::vector<std::optional<std::u16string>> ANames);
  std::vector<std::optional<std::u16string>> PresentPortNames() override;
  void SetNames(std::vector<std::optional<std::u16string>> ANames);

 private:
  std::mutex FMutex;
  std::vector<std::optional<std::u16string>> FNames;
};

// Puts a scripted port source in place for the life of the scope.
class TPortSourceScope {
 public:
  explicit TPortSourceScope(std::vector<std::optional<std::u16string>> ANames);
  TScriptedPortSource& Source() { return *FSource; }

 private:
  std::shared_ptr<TScriptedPortSource> FSource;
  TSlotValue<std::shared_ptr<TPortSource>> FSlot;
};

}  // namespace kelvane::test
