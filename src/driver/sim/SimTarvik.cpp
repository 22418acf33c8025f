#include "driver/sim/SimTarvik.h"

#include <thread>

#include "driver/sim/SimResultCodes.h"

namespace kelvane {

TSimTarvik::TSimTarvik(std::shared_ptr<TSimBench> ABench) : FBench(std::move(ABench)) {
}

void TSimTarvik::SetProperty(TTarvikProperty AProperty, const TDriverValue& AValue) {
  FProperties.Set(AProperty, AValue);
}

TDriverValue TSimTarvik::GetProperty(TTarvikProperty AProperty) {
  return FProperties.Get(AProperty);
}

std::int32_t TSimTarvik::Call(TTarvikMethod AMethod) {
  const std::int32_t result = Exchange(AMethod);
  FProperties.Set(TTarvikProperty::ResultCodeDescription, SimResultDescription(result));
  return result;
}

std::int32_t TSimTarvik::Exchange(TTarvikMethod AMethod) {
  if (AMethod == TTarvikMethod::Disconnect) {
    return sim_result::Ok;
  }
  const std::int32_t comNumber = FProperties.Integer(TTarvikProperty::ComNumber);
  const TSimPort* port = FBench ? FBench->Port(comNumber) : nullptr;
  if (port == nullptr || FProperties.Integer(TTarvikProperty::ConnectionType) != 0) {
    return sim_result::PortUnavailable;
  }
  const std::shared_ptr<TSimRegister>& simRegister = port->Register;
  if (!simRegister || !simRegister->AnswersIn(FProperties.Integer(TTarvikProperty::ProtocolType),
                                              FProperties.Integer(TTarvikProperty::BaudRate))) {
    std::this_thread::sleep_for(FBench->NoAnswerDelay());
    return sim_result::NoAnswer;
  }
  std::this_thread::sleep_for(simRegister->DelayFor(AMethod, FProperties));
  return simRegister->Execute(AMethod, FProperties);
}

}  // namespace kelvane
