#include "support/ScriptedTarvik.h"

#include <cstdio>

#include "driver/TarvikFactory.h"
#include "platform/Text.h"

namespace kelvane::test {

namespace {

std::string ValueText(const TDriverValue& AValue) {
  if (const auto* integer = std::get_if<std::int32_t>(&AValue)) {
    return std::to_string(*integer);
  }
  if (const auto* boolean = std::get_if<bool>(&AValue)) {
    return *boolean ? "true" : "false";
  }
  if (const auto* date = std::get_if<TDateTimeValue>(&AValue)) {
    char text[40];
    std::snprintf(text, sizeof text, "%.9f", date->Value);
    return text;
  }
  return "\"" + ToUtf8(std::get<std::u16string>(AValue)) + "\"";
}

}  // namespace

std::string TDriverEvent::ToString() const {
  if (IsCall) {
    return std::string(MethodName(Method)) + "()";
  }
  const std::string name(PropertyName(Property));
  if (Property == TTarvikProperty::BlockData) {
    return name + "[" + std::to_string(std::get<std::u16string>(Value).size()) + "]";
  }
  return name + "=" + ValueText(Value);
}

void TDriverScript::SetValue(TTarvikProperty AProperty, TDriverValue AValue) {
  std::lock_guard lock(FMutex);
  FValues[AProperty] = std::move(AValue);
}

void TDriverScript::SetResults(TTarvikMethod AMethod, std::vector<std::int32_t> AResults) {
  std::lock_guard lock(FMutex);
  FResults[AMethod] = std::move(AResults);
}

void TDriverScript::OnCall(TTarvikMethod AMethod, int ACall, THook AHook) {
  std::lock_guard lock(FMutex);
  FHooks[{AMethod, ACall}] = std::move(AHook);
}

void TDriverScript::OnAnyCall(std::function<void(TTarvikMethod)> AHook) {
  std::lock_guard lock(FMutex);
  FAnyCallHook = std::move(AHook);
}

void TDriverScript::SetDescription(std::int32_t ACode, std::u16string AText) {
  std::lock_guard lock(FMutex);
  FDescriptions[ACode] = std::move(AText);
}

std::vector<TDriverEvent> TDriverScript::Events() const {
  std::lock_guard lock(FMutex);
  return FEvents;
}

std::vector<std::string> TDriverScript::Log() const {
  std::vector<std::string> log;
  for (const TDriverEvent& event : Events()) {
    log.push_back(event.ToString());
  }
  return log;
}

std::vector<TDriverValue> TDriverScript::Writes(TTarvikProperty AProperty) const {
  std::vector<TDriverValue> writes;
  for (const TDriverEvent& event : Events()) {
    if (!event.IsCall && event.Property == AProperty) {
      writes.push_back(event.Value);
    }
  }
  return writes;
}

int TDriverScript::Calls(TTarvikMethod AMethod) const {
  std::lock_guard lock(FMutex);
  const auto found = FCallCounts.find(AMethod);
  return found == FCallCounts.end() ? 0 : found->second;
}

int TDriverScript::ControlsCreated() const {
  std::lock_guard lock(FMutex);
  return FControls;
}

void TDriverScript::RecordWrite(TTarvikProperty AProperty, const TDriverValue& AValue) {
  std::lock_guard lock(FMutex);
  FEvents.push_back({false, AProperty, AValue, {}});
  FValues[AProperty] = AValue;
}

TDriverValue TDriverScript::Read(TTarvikProperty AProperty) const {
  std::lock_guard lock(FMutex);
  const auto found = FValues.find(AProperty);
  return found != FValues.end() ? found->second : EmptyValue(AProperty);
}

std::int32_t TDriverScript::RecordCall(TTarvikMethod AMethod) {
  THook hook;
  std::function<void(TTarvikMethod)> anyCallHook;
  std::int32_t result = 0;
  {
    std::lock_guard lock(FMutex);
    TDriverEvent event;
    event.IsCall = true;
    event.Method = AMethod;
    FEvents.push_back(event);
    const int call = ++FCallCounts[AMethod];
    const auto results = FResults.find(AMethod);
    if (results != FResults.end() && static_cast<size_t>(call) <= results->second.size()) {
      result = results->second[static_cast<size_t>(call - 1)];
    }
    const auto found = FHooks.find({AMethod, call});
    if (found != FHooks.end()) {
      hook = found->second;
    }
    anyCallHook = FAnyCallHook;
  }
  if (anyCallHook) {
    anyCallHook(AMethod);
  }
  if (hook) {
    hook(*this);
  }
  std::lock_guard lock(FMutex);
  const auto description = FDescriptions.find(result);
  FValues[TTarvikProperty::ResultCodeDescription] =
      description != FDescriptions.end() ? description->second : u"Описание " + IntToStr(result);
  return result;
}

void TDriverScript::CountControl() {
  std::lock_guard lock(FMutex);
  ++FControls;
}

TScriptedTarvik::TScriptedTarvik(std::shared_ptr<TDriverScript> AScript)
    : FScript(std::move(AScript)) {
  FScript->CountControl();
}

void TScriptedTarvik::SetProperty(TTarvikProperty AProperty, const TDriverValue& AValue) {
  FScript->RecordWrite(AProperty, AValue);
}

TDriverValue TScriptedTarvik::GetProperty(TTarvikProperty AProperty) {
  return FScript->Read(AProperty);
}

std::int32_t TScriptedTarvik::Call(TTarvikMethod AMethod) {
  return FScript->RecordCall(AMethod);
}

TScriptedDriverScope::TScriptedDriverScope(std::shared_ptr<TDriverScript> AScript)
    : FSlot(SetTarvikFactory,
            [script = std::move(AScript)] { return std::make_unique<TScriptedTarvik>(script); }) {
}

}  // namespace kelvane::test
