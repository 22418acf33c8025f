#include "driver/TarvikFactory.h"

#include "platform/GlobalSlot.h"

namespace kelvane {

namespace {

TGlobalSlot<const TTarvikFactory>& FactorySlot() {
  static TGlobalSlot<const TTarvikFactory> slot;
  return slot;
}

}  // namespace

std::unique_ptr<TTarvik> CreateTarvik() {
  if (const auto factory = FactorySlot().Get()) {
    return (*factory)();
  }
  return CreatePlatformTarvik();
}

TTarvikFactory SetTarvikFactory(TTarvikFactory AFactory) {
  auto previous = FactorySlot().Exchange(
      AFactory ? std::make_shared<const TTarvikFactory>(std::move(AFactory)) : nullptr);
  return previous ? *previous : TTarvikFactory{};
}

}  // namespace kelvane
