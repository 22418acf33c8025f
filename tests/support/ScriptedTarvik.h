#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "driver/Tarvik.h"
#include "driver/TarvikFactory.h"
#include "support/SlotValue.h"

namespace kelvane::test {

// One thing a procedure did to the control: a property write or a method call.
struct TDriverEvent {
  bool IsCall = false;
  TTarvikProperty Property = TTarvikProperty::BaudRate;
  TDriverValue Value;
  TTarvikMethod Method = TTarvikMethod::GetECRStatus;
  // "Name=value" for a write ("BlockData[n]" for block data), "Name()" for a call.
  std::string ToString() const;
};

// What the scripted controls of a test answer, and what they were asked: property values, results
// per call, hooks that run at a given call. Shared by every control the factory creates.
class TDriverScript {
 public:
  using THook = std::function<void(TDriverScript&)>;

  // The value reads of AProperty give until the procedure or a hook writes another.
  void SetValue(TTarvikProperty AProperty, TDriverValue AValue);
  // The results of the first, second, ... call of AMethod; later calls give 0.
  void SetResults(TTarvikMethod AMethod, std::vector<std::int32_t> AResults);
  // Runs AHook during the ACall-th call of AMethod (from 1), before the result is given.
  void OnCall(TTarvikMethod AMethod, int ACall, THook AHook);
  // Runs AHook at every call, before the call's own hook.
  void OnAnyCall(std::function<void(TTarvikMethod)> AHook);
  // The description the control gives for a result; "Описание <code>" when not set.
  void SetDescription(std::int32_t ACode, std::u16string AText);

  std::vector<TDriverEvent> Events() const;
  // The events as text, one per entry.
  std::vector<std::string> Log() const;
  // The values written to one property, in order.
  std::vector<TDriverValue> Writes(TTarvikProperty AProperty) const;
  int Calls(TTarvikMethod AMethod) const;
  int ControlsCreated() const;

  // Used by the scripted control.
  void RecordWrite(TTarvikProperty AProperty, const TDriverValue& AValue);
  TDriverValue Read(TTarvikProperty AProperty) const;
  std::int32_t RecordCall(TTarvikMethod AMethod);
  void CountControl();

 private:
  mutable std::mutex FMutex;
  std::map<TTarvikProperty, TDriverValue> FValues;
  std::map<TTarvikMethod, std::vector<std::int32_t>> FResults;
  std::map<std::pair<TTarvikMethod, int>, THook> FHooks;
  std::function<void(TTarvikMethod)> FAnyCallHook;
  std::map<std::int32_t, std::u16string> FDescriptions;
  std::map<TTarvikMethod, int> FCallCounts;
  std::vector<TDriverEvent> FEvents;
  int FControls = 0;
};

class TScriptedTarvik final : public TTarvik {
 public:
  explicit TScriptedTarvik(std::shared_ptr<TDriverScript> AScript);
  void SetProperty(TTarvikProperty AProperty, const TDriverValue& AValue) override;
  TDriverValue GetProperty(TTarvikProperty AProperty) override;
  std::int32_t Call(TTarvikMethod AMethod) override;

 private:
  std::shared_ptr<TDriverScript> FScript;
};

// Makes every task body get a scripted control over AScript while it lives.
class TScriptedDriverScope {
 public:
  explicit TScriptedDriverScope(std::shared_ptr<TDriverScript> AScript);

 private:
  TSlotValue<TTarvikFactory> FSlot;
};

}  // namespace kelvane::test
