#include "session/RecordFields.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "discovery/USBUtils.h"
#include "platform/Text.h"

namespace kelvane {

namespace {

template <typename... TVisitors>
struct TOverloaded : TVisitors... {
  using TVisitors::operator()...;
};
template <typename... TVisitors>
TOverloaded(TVisitors...) -> TOverloaded<TVisitors...>;

// The words of the results and the steps, in their enumerations' order. None holds "," or ";",
// which a spreadsheet could take for a field's end.
constexpr std::array<std::string_view, 7> kResultNames = {
    "not started", "success", "success with print error", "failed", "stopped", "started",
    "interrupted"};
// What the journal's earlier records call a success with a print error.
constexpr std::string_view kEarlierPrintErrorName = "success, print error";
static_assert(kResultNames.size() == static_cast<size_t>(TUpdateResult::Interrupted) + 1);
constexpr std::array<std::string_view, 11> kStepNames = {
    "not touched",   "firmware file", "SKoK off", "loading", "installing", "SKoK on",
    "date and time", "version check", "tables",   "receipt", "done"};
static_assert(kStepNames.size() == static_cast<size_t>(TUpdateStep::Done) + 1);

// The value whose word stands at that place in its table.
template <typename TEnum, size_t N>
std::optional<TEnum> FromName(std::string_view AName,
                              const std::array<std::string_view, N>& ANames) {
  const auto found = std::find(ANames.begin(), ANames.end(), AName);
  if (found == ANames.end()) {
    return std::nullopt;
  }
  return static_cast<TEnum>(found - ANames.begin());
}

}  // namespace

std::string ResultName(TUpdateResult AResult) {
  return std::string(kResultNames.at(static_cast<size_t>(AResult)));
}

std::string StepName(TUpdateStep AStep) {
  return std::string(kStepNames.at(static_cast<size_t>(AStep)));
}

std::optional<TUpdateResult> ResultOfName(std::string_view AName) {
  return AName == kEarlierPrintErrorName ? TUpdateResult::SuccessPrintError
                                         : FromName<TUpdateResult>(AName, kResultNames);
}

std::optional<TUpdateStep> StepOfName(std::string_view AName) {
  return FromName<TUpdateStep>(AName, kStepNames);
}

std::string PortText(std::optional<std::int32_t> AComNumber) {
  return AComNumber ? ToUtf8(ComPortName(*AComNumber)) : "";
}

std::string TimeText(const std::optional<TLocalTime>& ATime) {
  return ATime ? ToUtf8(IsoDateTime(*ATime)) : "";
}

std::vector<std::string> VersionsText(const std::vector<std::u16string>& AVersions) {
  std::vector<std::string> texts;
  for (const std::u16string& version : DistinctVersions(AVersions)) {
    texts.push_back(ToUtf8(version));
  }
  return texts;
}

std::string JoinedList(const std::vector<std::string>& AItems) {
  std::string text;
  for (const std::string& item : AItems) {
    text += (text.empty() ? "" : std::string(kCsvListSeparator)) + item;
  }
  return text;
}

std::vector<std::string> CsvColumns(const TRecordEntries& AEntries) {
  std::vector<std::string> columns;
  for (const TRecordEntry& entry : AEntries) {
    columns.emplace_back(entry.Field->Column);
  }
  return columns;
}

std::string FieldText(const TFieldValue& AValue) {
  return std::visit(
      TOverloaded{[](const std::string& AText) { return AText; },
                  [](const std::vector<std::string>& AList) { return JoinedList(AList); },
                  [](std::int32_t ANumber) { return std::to_string(ANumber); },
                  [](const TTenths& ATenths) {
                    char text[32] = "";
                    if (ATenths.Shown) {
                      std::snprintf(text, sizeof text, "%.1f", ATenths.Seconds);
                    }
                    return std::string(text);
                  },
                  [](const std::optional<TLocalTime>& ATime) { return TimeText(ATime); }},
      AValue);
}

std::vector<std::string> CsvFields(const TRecordEntries& AEntries) {
  std::vector<std::string> fields;
  for (const TRecordEntry& entry : AEntries) {
    fields.push_back(FieldText(entry.Value));
  }
  return fields;
}

TRecordEntries RunEntries(std::optional<std::int32_t> AComNumber, const std::u16string& ASerial,
                          const std::u16string& ADeviceName, const TUpdateOutcome& AOutcome,
                          std::string AResult, std::string AStep, const std::u16string& AError) {
  return {{&kPortField, PortText(AComNumber)},
          {&kSerialField, ToUtf8(ASerial)},
          {&kDeviceField, ToUtf8(ADeviceName)},
          {&kVersionBeforeField, ToUtf8(AOutcome.VersionBefore)},
          {&kVersionsAfterField, VersionsText(AOutcome.VersionsAfter)},
          {&kResultField, std::move(AResult)},
          {&kLastStepField, std::move(AStep)},
          {&kPrintErrorField, ToUtf8(AOutcome.PrintError.value_or(u""))},
          {&kErrorField, ToUtf8(AError)}};
}

}  // namespace kelvane
