#include "driver/sim/SimRegister.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "driver/sim/SimResultCodes.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"

namespace kelvane {

namespace {

constexpr std::int32_t kSkokTable = 23;
constexpr size_t kMaxBlockSize = 128;
// What a register's card holds: as many blocks as the largest image the tool sends.
constexpr std::int32_t kMaxBlocks = INT32_MAX / static_cast<std::int32_t>(kMaxBlockSize);
constexpr size_t kChunkBlocks = 512;  // 64 KiB
constexpr double kMsPerDay = 86'400'000.0;

bool ParseInt(const std::string& AText, std::int32_t& AValue) {
  try {
    size_t used = 0;
    const long long value = std::stoll(AText, &used);
    if (used != AText.size() || value < INT32_MIN || value > INT32_MAX) {
      return false;
    }
    AValue = static_cast<std::int32_t>(value);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

std::string Trimmed(const std::string& AText) {
  const size_t first = AText.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) {
    return {};
  }
  return AText.substr(first, AText.find_last_not_of(" \t\r\n") - first + 1);
}

}  // namespace

TSimRegister::TSimRegister(TSimRegisterConfig AConfig)
    : FConfig(std::move(AConfig)),
      FStatus(FConfig.Status),
      FMode(FConfig.Mode),
      FNeedsRecovery(FConfig.Status != 0 || FConfig.Mode == 9),
      FReset147Left(FConfig.Reset147),
      FFirmware(FConfig.Firmware) {
  FTables[{kSkokTable, 1, 1}] = 1;
  SetClockLocked(FConfig.Clock.value_or(Clock()->LocalNow()));
}

bool TSimRegister::AnswersIn(std::int32_t AProtocolType, std::int32_t ABaudRate) const {
  return ABaudRate == FConfig.BaudRate &&
         std::find(FConfig.Protocols.begin(), FConfig.Protocols.end(), AProtocolType) !=
             FConfig.Protocols.end();
}

std::chrono::milliseconds TSimRegister::DelayFor(TTarvikMethod AMethod,
                                                 const TSimProperties& AProps) const {
  if (AMethod == TTarvikMethod::LoadBlockOnSDCard) {
    if (AProps.String(TTarvikProperty::BlockData).empty()) {
      return FConfig.InstallDelay;
    }
    return FConfig.BlockDelay;
  }
  return FConfig.ExchangeDelay;
}

std::int32_t TSimRegister::Execute(TTarvikMethod AMethod, TSimProperties& AProps) {
  std::lock_guard lock(FMutex);
  const int call = ++FCallCounts[AMethod];
  for (const TSimFault& fault : FConfig.Faults) {
    if (fault.Method == AMethod && fault.Call == call) {
      return fault.Code;
    }
  }
  using enum TTarvikMethod;
  switch (AMethod) {
    case GetECRStatus:
      return GetStatus(AProps);
    case ResetSettings:
      return this->ResetSettings();
    case SetDate:
      FPendingDate = DateOf(AProps.DateTime(TTarvikProperty::Date));
      return sim_result::Ok;
    case ConfirmDate:
      return this->ConfirmDate(AProps);
    case SetTime:
      return this->SetTime(AProps);
    case GetDeviceMetrics:
      AProps.Set(TTarvikProperty::UModel, FConfig.Model);
      AProps.Set(TTarvikProperty::UDescription, FConfig.DeviceName);
      return sim_result::Ok;
    case ReadSerialNumber:
      AProps.Set(TTarvikProperty::SerialNumber, FConfig.Serial);
      return sim_result::Ok;
    case WriteTable:
      return this->WriteTable(AProps);
    case LoadBlockOnSDCard:
      return AProps.String(TTarvikProperty::BlockData).empty() ? Install() : LoadBlock(AProps);
    case ImportTables:
      return this->ImportTables(AProps);
    case PrintString:
      return this->PrintString(AProps);
    case Disconnect:
      break;
  }
  return sim_result::Ok;
}

std::int32_t TSimRegister::GetStatus(TSimProperties& AProps) {
  const TDateTime now = ClockNowLocked();
  AProps.Set(TTarvikProperty::ECRMode, FMode);
  AProps.Set(TTarvikProperty::ECRBuild, FFirmware.Build);
  AProps.Set(TTarvikProperty::ECRSoftVersion, FFirmware.Version);
  AProps.Set(TTarvikProperty::ECRSoftDate, TDateTimeValue{FFirmware.Date});
  AProps.Set(TTarvikProperty::Date, TDateTimeValue{DateOf(now)});
  AProps.Set(TTarvikProperty::Time, TDateTimeValue{TimeOf(now)});
  return FStatus;
}

std::int32_t TSimRegister::ResetSettings() {
  if (FReset147Left > 0) {
    --FReset147Left;
    return sim_result::Busy;
  }
  FResetDone = true;
  FDateConfirmed = false;
  return sim_result::Ok;
}

std::int32_t TSimRegister::ConfirmDate(const TSimProperties& AProps) {
  const TDateTime date = DateOf(AProps.DateTime(TTarvikProperty::Date));
  if (!FPendingDate || *FPendingDate != date) {
    return sim_result::DateNotConfirmed;
  }
  FPendingDate.reset();
  SetClockLocked(date + TimeOf(ClockNowLocked()));
  FDateConfirmed = true;
  return sim_result::Ok;
}

std::int32_t TSimRegister::SetTime(const TSimProperties& AProps) {
  SetClockLocked(DateOf(ClockNowLocked()) + TimeOf(AProps.DateTime(TTarvikProperty::Time)));
  if (FNeedsRecovery && FResetDone && FDateConfirmed) {
    FNeedsRecovery = false;
    FStatus = sim_result::Ok;
    if (FMode == 9) {
      FMode = kModeAfterRecovery;
    }
  }
  return sim_result::Ok;
}

std::int32_t TSimRegister::WriteTable(const TSimProperties& AProps) {
  const TFieldKey key{AProps.Integer(TTarvikProperty::TableNumber),
                      AProps.Integer(TTarvikProperty::RowNumber),
                      AProps.Integer(TTarvikProperty::FieldNumber)};
  if (std::get<0>(key) < 1 || std::get<1>(key) < 1 || std::get<2>(key) < 1) {
    return sim_result::NoSuchTableField;
  }
  FTables[key] = AProps.Integer(TTarvikProperty::ValueOfFieldInteger);
  return sim_result::Ok;
}

std::int32_t TSimRegister::LoadBlock(const TSimProperties& AProps) {
  if (FTables[{kSkokTable, 1, 1}] != 0) {
    return sim_result::LoadForbidden;
  }
  if (AProps.Integer(TTarvikProperty::FileType) != 1) {
    return sim_result::WrongFileType;
  }
  const std::int32_t number = AProps.Integer(TTarvikProperty::BlockNumber);
  const std::optional<std::string> bytes = UnicodeToAnsi(AProps.String(TTarvikProperty::BlockData));
  if (number < 0 || number >= kMaxBlocks || !bytes || bytes->size() > kMaxBlockSize) {
    return sim_result::WrongBlock;
  }
  const auto index = static_cast<size_t>(number);
  if (FBlockLengths.size() <= index) {
    FBlockLengths.resize(index + 1, 0);
  }
  FBlockLengths[index] = static_cast<std::uint8_t>(bytes->size());
  const size_t chunk = index / kChunkBlocks;
  if (FChunks.size() <= chunk) {
    FChunks.resize(chunk + 1);
  }
  if (FChunks[chunk].empty()) {
    FChunks[chunk].resize(kChunkBlocks * kMaxBlockSize);
  }
  FChunks[chunk].replace(index % kChunkBlocks * kMaxBlockSize, bytes->size(), *bytes);
  return sim_result::Ok;
}

std::int32_t TSimRegister::Install() {
  if (FTables[{kSkokTable, 1, 1}] != 0) {
    return sim_result::LoadForbidden;
  }
  // The blocks must run from 0 without a gap, and only the last may be short.
  const size_t count = FBlockLengths.size();
  bool complete = count > 0;
  for (size_t i = 0; i < count && complete; ++i) {
    complete = FBlockLengths[i] != 0 && (i + 1 == count || FBlockLengths[i] == kMaxBlockSize);
  }
  if (!complete) {
    FChunks = {};
    FBlockLengths = {};
    return sim_result::ImageIncomplete;
  }
  // The chunks become the installed image as they are: a card does not copy what it holds.
  FInstalledLength = (count - 1) * kMaxBlockSize + FBlockLengths.back();
  FInstalled = std::move(FChunks);
  FChunks = {};
  FBlockLengths = {};
  ++FInstallCount;
  if (const auto info = ParseSimFirmware(InstalledPieces())) {
    FFirmware = *info;
  }
  return FConfig.InstallNoAnswer ? sim_result::NoAnswer : sim_result::Ok;
}

std::int32_t TSimRegister::ImportTables(const TSimProperties& AProps) {
  const std::filesystem::path path(AProps.String(TTarvikProperty::FileName));
  // A register reads files only: a folder fails, and a pipe would block with the lock held.
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) {
    return sim_result::TablesFileMissing;
  }
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    return sim_result::TablesFileMissing;
  }
  // Lines of table, row, field and value, separated by ";" or ","; "#" starts a comment line.
  std::map<TFieldKey, std::int32_t> values;
  std::string line;
  while (std::getline(file, line)) {
    line = Trimmed(line);
    if (line.empty() || line[0] == '#') {
      continue;
    }
    std::replace(line.begin(), line.end(), ',', ';');
    std::istringstream fields(line);
    std::string field;
    std::int32_t numbers[4] = {};
    int count = 0;
    while (std::getline(fields, field, ';')) {
      if (count == 4 || !ParseInt(Trimmed(field), numbers[count])) {
        return sim_result::TablesFileMalformed;
      }
      ++count;
    }
    if (count != 4 || numbers[0] < 1 || numbers[1] < 1 || numbers[2] < 1) {
      return sim_result::TablesFileMalformed;
    }
    values[{numbers[0], numbers[1], numbers[2]}] = numbers[3];
  }
  for (const auto& [key, value] : values) {
    FTables[key] = value;
  }
  return sim_result::Ok;
}

std::int32_t TSimRegister::PrintString(const TSimProperties& AProps) {
  ++FPrintCalls;
  if (FConfig.PaperOutAtLine > 0 && FPrintCalls >= FConfig.PaperOutAtLine) {
    return sim_result::PaperOut;
  }
  FPrinted.push_back(AProps.String(TTarvikProperty::StringForPrinting));
  return sim_result::Ok;
}

TDateTime TSimRegister::ClockNowLocked() const {
  const auto elapsed = Clock()->SteadyNow() - FClockSetAt;
  return FClockBase + static_cast<double>(elapsed.count()) / kMsPerDay;
}

void TSimRegister::SetClockLocked(TDateTime AValue) {
  FClockBase = AValue;
  FClockSetAt = Clock()->SteadyNow();
}

TSimFirmwareInfo TSimRegister::Firmware() const {
  std::lock_guard lock(FMutex);
  return FFirmware;
}

std::vector<std::string_view> TSimRegister::InstalledPieces() const {
  std::vector<std::string_view> pieces;
  size_t left = FInstalledLength;
  for (const std::string& chunk : FInstalled) {
    pieces.push_back(std::string_view(chunk).substr(0, std::min(chunk.size(), left)));
    left -= pieces.back().size();
  }
  return pieces;
}

std::string TSimRegister::InstalledImage() const {
  std::lock_guard lock(FMutex);
  std::string image;
  image.reserve(FInstalledLength);
  for (const std::string_view piece : InstalledPieces()) {
    image.append(piece);
  }
  return image;
}

int TSimRegister::InstallCount() const {
  std::lock_guard lock(FMutex);
  return FInstallCount;
}

bool TSimRegister::SkokOn() const {
  std::lock_guard lock(FMutex);
  return FTables.at({kSkokTable, 1, 1}) != 0;
}

bool TSimRegister::NeedsRecovery() const {
  std::lock_guard lock(FMutex);
  return FNeedsRecovery;
}

std::optional<std::int32_t> TSimRegister::TableValue(std::int32_t ATable, std::int32_t ARow,
                                                     std::int32_t AField) const {
  std::lock_guard lock(FMutex);
  const auto found = FTables.find({ATable, ARow, AField});
  if (found == FTables.end()) {
    return std::nullopt;
  }
  return found->second;
}

std::vector<std::u16string> TSimRegister::PrintedLines() const {
  std::lock_guard lock(FMutex);
  return FPrinted;
}

TDateTime TSimRegister::ClockNow() const {
  std::lock_guard lock(FMutex);
  return ClockNowLocked();
}

int TSimRegister::CallCount(TTarvikMethod AMethod) const {
  std::lock_guard lock(FMutex);
  const auto found = FCallCounts.find(AMethod);
  return found == FCallCounts.end() ? 0 : found->second;
}

}  // namespace kelvane
