#include "discovery/PortSource.h"

#include "platform/GlobalSlot.h"

namespace kelvane {

namespace {

TGlobalSlot<TPortSource>& SourceSlot() {
  static TGlobalSlot<TPortSource> slot;
  return slot;
}

}  // namespace

std::shared_ptr<TPortSource> PortSource() {
  if (auto source = SourceSlot().Get()) {
    return source;
  }
  static const std::shared_ptr<TPortSource> platformSource = CreatePlatformPortSource();
  return platformSource;
}

std::shared_ptr<TPortSource> SetPortSource(std::shared_ptr<TPortSource> ASource) {
  return SourceSlot().Exchange(std::move(ASource));
}

}  // namespace kelvane
