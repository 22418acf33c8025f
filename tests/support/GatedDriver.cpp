#include "support/GatedDriver.h"

#include "driver/TarvikFactory.h"
#include "driver/sim/SimTarvik.h"

namespace kelvane::test {

namespace {

class TGatedTarvik final : public TTarvik {
 public:
  TGatedTarvik(std::shared_ptr<TSimBench> ABench, std::shared_ptr<TPortGates> AGates)
      : FInner(std::move(ABench)), FGates(std::move(AGates)) {}

  void SetProperty(TTarvikProperty AProperty, const TDriverValue& AValue) override {
    FInner.SetProperty(AProperty, AValue);
  }
  TDriverValue GetProperty(TTarvikProperty AProperty) override {
    return FInner.GetProperty(AProperty);
  }
  std::int32_t Call(TTarvikMethod AMethod) override {
    FGates->Pass(std::get<std::int32_t>(FInner.GetProperty(TTarvikProperty::ComNumber)));
    return FInner.Call(AMethod);
  }

 private:
  TSimTarvik FInner;
  std::shared_ptr<TPortGates> FGates;
};

}  // namespace

void TPortGates::Close(std::int32_t APort) {
  std::lock_guard lock(FMutex);
  FGates[APort] = std::make_shared<TGate>();
}

void TPortGates::Open(std::int32_t APort) {
  std::lock_guard lock(FMutex);
  if (const auto found = FGates.find(APort); found != FGates.end()) {
    found->second->Open();
  }
}

void TPortGates::OpenAll() {
  std::lock_guard lock(FMutex);
  for (auto& [port, gate] : FGates) {
    gate->Open();
  }
}

void TPortGates::Pass(std::int32_t APort) {
  std::shared_ptr<TGate> gate;
  {
    std::lock_guard lock(FMutex);
    if (const auto found = FGates.find(APort); found != FGates.end()) {
      gate = found->second;
    }
  }
  if (gate) {
    gate->Wait();
  }
}

TGatedDriverScope::TGatedDriverScope(std::shared_ptr<TSimBench> ABench,
                                     std::shared_ptr<TPortGates> AGates)
    : FSlot(SetTarvikFactory, [bench = std::move(ABench), gates = std::move(AGates)] {
        return std::make_unique<TGatedTarvik>(bench, gates);
      }) {
}

}  // namespace kelvane::test
