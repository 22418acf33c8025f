#pragma once

#include <memory>

#include "driver/Tarvik.h"
#include "driver/sim/SimBench.h"
#include "driver/sim/SimProperties.h"

namespace kelvane {

// The driver control on the simulated bench: it keeps its properties as a real control does and
// passes each method to the register on the port named by ComNumber, taking the register's time.
class TSimTarvik final : public TTarvik {
 public:
  explicit TSimTarvik(std::shared_ptr<TSimBench> ABench);

  void SetProperty(TTarvikProperty AProperty, const TDriverValue& AValue) override;
  TDriverValue GetProperty(TTarvikProperty AProperty) override;
  std::int32_t Call(TTarvikMethod AMethod) override;

 private:
  std::int32_t Exchange(TTarvikMethod AMethod);

  std::shared_ptr<TSimBench> FBench;
  TSimProperties FProperties;
};

}  // namespace kelvane
