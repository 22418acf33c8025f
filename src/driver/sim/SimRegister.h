#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "driver/sim/SimFirmware.h"
#include "driver/sim/SimProperties.h"

namespace kelvane {

// A scripted failure: the given method answers with the given code at its N-th call (from 1).
struct TSimFault {
  TTarvikMethod Method = TTarvikMethod::GetECRStatus;
  int Call = 1;
  std::int32_t Code = 0;
};

struct TSimRegisterConfig {
  std::int32_t Model = 154;
  std::u16string DeviceName;
  std::u16string Serial;
  // The protocol types the register answers in; in any other it does not answer (-1).
  std::vector<std::int32_t> Protocols{1};
  std::int32_t BaudRate = 6;
  // What GetECRStatus answers until the register is recovered (0, 116, 120 or 121), and its mode;
  // mode 9 with status 0 asks for recovery too.
  std::int32_t Status = 0;
  std::int32_t Mode = 2;
  // How many times ResetSettings answers 147 (busy) before it works.
  int Reset147 = 0;
  TSimFirmwareInfo Firmware;
  // The register's own clock at start; the workstation's when not given.
  std::optional<TDateTime> Clock;
  std::chrono::milliseconds ExchangeDelay{0};
  std::chrono::milliseconds BlockDelay{0};
  std::chrono::milliseconds InstallDelay{0};
  // The install call answers -1 (the register restarts without answering), after installing.
  bool InstallNoAnswer = false;
  // PrintString fails with "paper out" from this line on (counted from 1); 0: never.
  int PaperOutAtLine = 0;
  std::vector<TSimFault> Faults;
};

// A simulated register: it keeps its settings, firmware, tables, clock and printed lines, and
// answers the driver's methods as the real one would. Several controls may use it at once.
class TSimRegister {
 public:
  static constexpr std::int32_t kModeAfterRecovery = 4;

  explicit TSimRegister(TSimRegisterConfig AConfig);

  const TSimRegisterConfig& Config() const { return FConfig; }
  bool AnswersIn(std::int32_t AProtocolType, std::int32_t ABaudRate) const;
  // How long the register takes for this call, spent by the caller outside any lock.
  std::chrono::milliseconds DelayFor(TTarvikMethod AMethod, const TSimProperties& AProps) const;
  // Carries out one method with the control's properties; fills the properties it answers with.
  std::int32_t Execute(TTarvikMethod AMethod, TSimProperties& AProps);

  // What the register holds now, for tests and the console.
  TSimFirmwareInfo Firmware() const;
  std::string InstalledImage() const;
  int InstallCount() const;
  bool SkokOn() const;
  bool NeedsRecovery() const;
  std::optional<std::int32_t> TableValue(std::int32_t ATable, std::int32_t ARow,
                                         std::int32_t AField) const;
  std::vector<std::u16string> PrintedLines() const;
  TDateTime ClockNow() const;
  int CallCount(TTarvikMethod AMethod) const;

 private:
  using TFieldKey = std::tuple<std::int32_t, std::int32_t, std::int32_t>;

  std::int32_t GetStatus(TSimProperties& AProps);
  std::int32_t ResetSettings();
  std::int32_t ConfirmDate(const TSimProperties& AProps);
  std::int32_t SetTime(const TSimProperties& AProps);
  std::int32_t WriteTable(const TSimProperties& AProps);
  std::int32_t LoadBlock(const TSimProperties& AProps);
  std::int32_t Install();
  std::vector<std::string_view> InstalledPieces() const;
  std::int32_t ImportTables(const TSimProperties& AProps);
  std::int32_t PrintString(const TSimProperties& AProps);
  TDateTime ClockNowLocked() const;
  void SetClockLocked(TDateTime AValue);

  const TSimRegisterConfig FConfig;
  mutable std::mutex FMutex;
  std::int32_t FStatus;
  std::int32_t FMode;
  bool FNeedsRecovery;
  int FReset147Left;
  bool FResetDone = false;
  bool FDateConfirmed = false;
  std::optional<TDateTime> FPendingDate;
  TDateTime FClockBase = 0;
  std::chrono::milliseconds FClockSetAt{0};
  TSimFirmwareInfo FFirmware;
  // The blocks loaded since the last install, in chunks of a fixed number of blocks made as
  // their first block arrives, and each block's length (0 for a block not loaded): one copy of
  // the image, as a register's card holds, that never has to be moved to grow.
  std::vector<std::string> FChunks;
  std::vector<std::uint8_t> FBlockLengths;
  // The last image installed, in the chunks it was loaded in.
  std::vector<std::string> FInstalled;
  size_t FInstalledLength = 0;
  int FInstallCount = 0;
  std::map<TFieldKey, std::int32_t> FTables;
  std::vector<std::u16string> FPrinted;
  int FPrintCalls = 0;
  std::map<TTarvikMethod, int> FCallCounts;
};

}  // namespace kelvane
