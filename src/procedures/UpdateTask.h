#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <mutex>
#include <vector>

#include "driver/Tarvik.h"
#include "tasks/CustomTask.h"

namespace kelvane {

// The steps of an update in their order, as data beside the texts that name them.
enum class TUpdateStep {
  None,
  ReadingFile,
  SkokOff,
  Loading,
  Installing,
  SkokOn,
  DateTime,
  VersionCheck,
  Tables,
  Receipt,
  Done
};

// What a run of an update has reached, as data: the last step begun, every version the register
// reported after the install (at the check, on the receipt, at the end), and the print error.
struct TUpdateRecord {
  TUpdateStep LastStep = TUpdateStep::None;
  std::vector<std::u16string> VersionsAfter;
  std::optional<std::u16string> PrintError;
};

// What names a print error wherever one is shown.
inline constexpr std::u16string_view kPrintErrorPrefix = u"Ошибка печати: ";

// Updates the firmware of one register on one COM port: SKoK off, the image in 128-byte blocks,
// installation, SKoK on, date and time, the build check, optionally the tables, and an
// information receipt. Its state text names each step; its counters give the progress.
//
// The window writes the properties only while the task is not started.
class TUpdateTask final : public TCustomTask {
 public:
  // The largest image whose progress still fits the 32-bit counters: Step ends at
  // blocks x 128 + 9001.
  static constexpr std::int64_t kMaxImageSize = (std::int64_t{INT32_MAX} - 9001) / 128 * 128;

  TUpdateTask() = default;
  ~TUpdateTask() override;

  const std::u16string& Name() const { return FName; }
  void SetName(std::u16string AValue) { FName = std::move(AValue); }
  std::int32_t ComNumber() const { return FComNumber; }
  void SetComNumber(std::int32_t AValue) { FComNumber = AValue; }
  const std::u16string& FileName() const { return FFileName; }
  void SetFileName(std::u16string AValue) { FFileName = std::move(AValue); }
  bool IsCustom() const { return FIsCustom; }
  void SetIsCustom(bool AValue) { FIsCustom = AValue; }
  std::int32_t ProtocolType() const { return FProtocolType; }
  void SetProtocolType(std::int32_t AValue) { FProtocolType = AValue; }
  bool WriteTables() const { return FWriteTables; }
  void SetWriteTables(bool AValue) { FWriteTables = AValue; }
  const std::u16string& TablesFileName() const { return FTablesFileName; }
  void SetTablesFileName(std::u16string AValue) { FTablesFileName = std::move(AValue); }

  // The build number carried in FileName: the decimal number between the last "_" of the whole
  // path and the first "." after it; 0 when there is none.
  std::int32_t BuildFromFileName() const { return BuildFromFileName(FFileName); }
  static std::int32_t BuildFromFileName(std::u16string_view AFileName);

  // The current or last run's record; any thread may read it at any time.
  TUpdateRecord Record() const;

 protected:
  void DoExecute() override;

 private:
  // The update's steps, in their order.
  void DoUpdate(TTarvik& ADriver);
  std::string ReadImage();
  // SKoK off and the image sent.
  void Load(TTarvik& ADriver, const std::string& AImage);
  // The image installed, the restart waited for, SKoK on.
  void Install(TTarvik& ADriver);
  // Date and time, the version check, the tables.
  void SetUp(TTarvik& ADriver);
  // The final text, with how long the run took or the print error.
  void SayDone(TTarvik& ADriver, std::chrono::milliseconds ATook,
               const std::optional<std::u16string>& APrintError);
  // A step's text, with the firmware's name when it is not the field's.
  std::u16string StepText(std::u16string_view AStep) const;
  void SendBlocks(TTarvik& ADriver, const std::string& AImage);
  void InstallImage(TTarvik& ADriver);
  void CheckVersion(TTarvik& ADriver);
  // Returns the print error, nothing when the receipt was printed.
  std::optional<std::u16string> PrintReceipt(TTarvik& ADriver);
  // Text := AText, and the record's step.
  void EnterStep(TUpdateStep AStep, std::u16string AText);
  void RecordStep(TUpdateStep AStep);
  void VersionRead(std::u16string AVersion);

  std::u16string FName;
  std::int32_t FComNumber = 0;
  std::u16string FFileName;
  bool FIsCustom = false;
  std::int32_t FProtocolType = 0;
  bool FWriteTables = false;
  std::u16string FTablesFileName;
  mutable std::mutex FRecordMutex;
  TUpdateRecord FRecord;
};

// SKoK (table 23, row 1, field 1) on or off.
void SetSkokState(TTarvik& ADriver, bool AOn);

}  // namespace kelvane
