#pragma once

#include <cstdint>
#include <string>

#include "driver/Tarvik.h"
#include "tasks/CustomTask.h"

namespace kelvane {

// Finds out whether a register answers on one COM port and identifies it: serial number, device
// name, version text and the protocol type it answered in. The results hold after a run that
// ended with Succeded; they are written before the engine publishes Finished.
class TSearchTask final : public TCustomTask {
 public:
  TSearchTask() = default;
  ~TSearchTask() override;

  std::int32_t ComNumber() const { return FComNumber; }
  // Set before Start, not while the task runs.
  void SetComNumber(std::int32_t AValue) { FComNumber = AValue; }

  // False: a register whose state asks for recovery is not recovered (its settings reset, its
  // clock set) but identified as it is, and said to need it; nothing is changed on it. Set
  // before Start.
  bool Recovers() const { return FRecovers; }
  void SetRecovers(bool AValue) { FRecovers = AValue; }
  // Why the register asks for recovery, when it does and was not recovered.
  const std::u16string& RecoveryNeeded() const { return FRecoveryNeeded; }

  const std::u16string& Serial() const { return FSerial; }
  const std::u16string& Version() const { return FVersion; }
  std::int32_t ProtocolType() const { return FProtocolType; }
  const std::u16string& DeviceName() const { return FDeviceName; }
  // After a run that ended without success: why the driver's control could not be created, when
  // that was the reason; empty otherwise.
  const std::u16string& CreationFailure() const { return FCreationFailure; }

 protected:
  void DoExecute() override;

 private:
  void Identify(TTarvik& ADriver);
  void Recover(TTarvik& ADriver);

  std::int32_t FComNumber = 0;
  bool FRecovers = true;
  std::u16string FRecoveryNeeded;
  std::u16string FSerial;
  std::u16string FVersion;
  std::int32_t FProtocolType = 0;
  std::u16string FDeviceName;
  std::u16string FCreationFailure;
};

}  // namespace kelvane
