#pragma once

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/Clock.h"
#include "session/UpdateOutcome.h"

namespace kelvane {

// A field of an update's record: its column in a CSV file and its key in JSON. The report, the
// journal and their JSON all write a record through these.
struct TRecordField {
  std::string_view Column;
  std::string_view Key;
};

inline constexpr TRecordField kPortField{"port", "port"};
inline constexpr TRecordField kSerialField{"serial", "serial"};
inline constexpr TRecordField kDeviceField{"device", "device"};
inline constexpr TRecordField kVersionBeforeField{"version before", "versionBefore"};
inline constexpr TRecordField kVersionsAfterField{"version after", "versionsAfter"};
inline constexpr TRecordField kResultField{"result", "result"};
inline constexpr TRecordField kLastStepField{"last step", "lastStep"};
inline constexpr TRecordField kPrintErrorField{"print error", "printError"};
inline constexpr TRecordField kErrorField{"error", "error"};
inline constexpr TRecordField kFinalTextField{"final text", "finalText"};
inline constexpr TRecordField kStartedField{"started", "started"};
inline constexpr TRecordField kEndedField{"ended", "ended"};
inline constexpr TRecordField kSecondsField{"seconds", "seconds"};
inline constexpr TRecordField kFirmwareField{"firmware", "firmware"};
inline constexpr TRecordField kBuildField{"build", "build"};
inline constexpr TRecordField kProgramField{"program", "program"};
inline constexpr TRecordField kProgramVersionField{"program version", "programVersion"};

// How long a run took, to a tenth of a second; a run never started has its CSV cell empty.
struct TTenths {
  double Seconds = 0;
  bool Shown = true;
  // The seconds as every record gives them: to a tenth.
  double Rounded() const { return std::round(Seconds * 10) / 10; }
};

// A field's value on its way out: a UTF-8 text, a list of texts, a whole number, seconds, or a
// time point (none: the run has no such time).
using TFieldValue = std::variant<std::string, std::vector<std::string>, std::int32_t, TTenths,
                                 std::optional<TLocalTime>>;

struct TRecordEntry {
  const TRecordField* Field;
  TFieldValue Value;
};

// The fields of one record, in the order they are written.
using TRecordEntries = std::vector<TRecordEntry>;

// The words a record gives a result and a step.
std::string ResultName(TUpdateResult AResult);
std::string StepName(TUpdateStep AStep);
// The result a record's word names, the words of earlier versions included; none for another.
std::optional<TUpdateResult> ResultOfName(std::string_view AName);
std::optional<TUpdateStep> StepOfName(std::string_view AName);

// "COM3", or nothing for a port that is not known.
std::string PortText(std::optional<std::int32_t> AComNumber);
// A time as a record gives it, or nothing.
std::string TimeText(const std::optional<TLocalTime>& ATime);
// The versions read after the install, each once.
std::vector<std::string> VersionsText(const std::vector<std::u16string>& AVersions);

// A value as a text: a list joined, seconds to a tenth, a time as TimeText gives it.
std::string FieldText(const TFieldValue& AValue);
// The entries' columns, and their values as CSV fields.
std::vector<std::string> CsvColumns(const TRecordEntries& AEntries);
std::vector<std::string> CsvFields(const TRecordEntries& AEntries);
// How a list of texts is one CSV field: the versions after the install, "A.5, A.6".
inline constexpr std::string_view kCsvListSeparator = ", ";
std::string JoinedList(const std::vector<std::string>& AItems);

// The fields of what the register and the run were, from the port to the error, with the
// result, step and error the caller gives (a report row may stand for no run at all).
TRecordEntries RunEntries(std::optional<std::int32_t> AComNumber, const std::u16string& ASerial,
                          const std::u16string& ADeviceName, const TUpdateOutcome& AOutcome,
                          std::string AResult, std::string AStep, const std::u16string& AError);

}  // namespace kelvane
