#include "cli/Workbook.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <system_error>
#include <type_traits>
#include <xlsxwriter.h>

#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Text.h"

namespace kelvane {

namespace {

// The most characters a cell holds; a longer text keeps its start.
constexpr size_t kLongestCellText = 32767;
// No column wider than this many characters, however long its texts.
constexpr size_t kWidestColumn = 80;

std::filesystem::path TemporaryPath() {
  std::random_device random;
  char name[40];
  std::snprintf(name, sizeof name, "kelvane-%08x%08x.xlsx", random(), random());
  return std::filesystem::temp_directory_path() / name;
}

std::string Utf8Path(const std::filesystem::path& APath) {
  const std::u8string text = APath.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace

TRecordWorkbook::TRecordWorkbook(const std::vector<TFieldValue>& ATitle,
                                 const std::vector<std::string>& AColumns) {
  try {
    FPath = TemporaryPath();
  } catch (const std::exception& e) {
    throw EError(u"нет папки для временных файлов: " + FromUtf8(e.what()));
  }
  lxw_workbook_options options{};
  // Row by row to a temporary file, not all in memory.
  options.constant_memory = LXW_TRUE;
  FWorkbook = workbook_new_opt(Utf8Path(FPath).c_str(), &options);
  if (FWorkbook == nullptr) {
    throw EError(u"книгу не начать: " + FPath.u16string());
  }
  // The sheet's rows go to a temporary file of their own, which may not be made either.
  FSheet = workbook_add_worksheet(FWorkbook, nullptr);
  if (FSheet == nullptr) {
    Discard();
    throw EError(u"нет места для временных файлов книги");
  }
  FTextFormat = workbook_add_format(FWorkbook);
  format_set_num_format(FTextFormat, "@");
  FTenthsFormat = workbook_add_format(FWorkbook);
  format_set_num_format(FTenthsFormat, "0.0");
  if (!ATitle.empty()) {
    Row(ATitle);
  }
  Row({AColumns.begin(), AColumns.end()});
  worksheet_freeze_panes(FSheet, FRow, 0);
}

TRecordWorkbook::~TRecordWorkbook() {
  Discard();
}

void TRecordWorkbook::Discard() {
  if (FWorkbook != nullptr) {
    workbook_close(FWorkbook);
    FWorkbook = nullptr;
  }
  std::error_code ignored;
  std::filesystem::remove(FPath, ignored);
}

void TRecordWorkbook::Add(const TRecordEntries& ARecord) {
  std::vector<TFieldValue> values;
  for (const TRecordEntry& entry : ARecord) {
    values.push_back(entry.Value);
  }
  Row(values);
}

lxw_format* TRecordWorkbook::TimeFormat(std::int32_t AUtcOffsetMinutes) {
  lxw_format*& format = FTimeFormats[AUtcOffsetMinutes];
  if (format == nullptr) {
    // The offset stands beside the time as the record has it, so that nothing of it is lost.
    const std::int32_t minutes = std::abs(AUtcOffsetMinutes);
    char picture[48];
    std::snprintf(picture, sizeof picture, "yyyy-mm-dd hh:mm:ss\"%c%02d:%02d\"",
                  AUtcOffsetMinutes < 0 ? '-' : '+', minutes / 60, minutes % 60);
    format = workbook_add_format(FWorkbook);
    format_set_num_format(format, picture);
  }
  return format;
}

void TRecordWorkbook::Row(const std::vector<TFieldValue>& AValues) {
  FWidths.resize(std::max(FWidths.size(), AValues.size()));
  for (size_t i = 0; i < AValues.size(); ++i) {
    const auto column = static_cast<lxw_col_t>(i);
    const std::string text = FieldText(AValues[i]);
    const lxw_error error = std::visit(
        [&](const auto& AValue) {
          using TValue = std::decay_t<decltype(AValue)>;
          if constexpr (std::is_same_v<TValue, std::int32_t>) {
            return worksheet_write_number(FSheet, FRow, column, AValue, nullptr);
          } else if constexpr (std::is_same_v<TValue, TTenths>) {
            return AValue.Shown ? worksheet_write_number(FSheet, FRow, column,
                                                         AValue.Rounded(), FTenthsFormat)
                                : LXW_NO_ERROR;
          } else if constexpr (std::is_same_v<TValue, std::optional<TLocalTime>>) {
            if (!AValue) {
              return LXW_NO_ERROR;
            }
            const TDateTimeParts& time = AValue->Local;
            lxw_datetime cell{time.Year, time.Month,  time.Day,
                              time.Hour, time.Minute, static_cast<double>(time.Second)};
            return worksheet_write_datetime(FSheet, FRow, column, &cell,
                                            TimeFormat(AValue->UtcOffsetMinutes));
          } else if (text.empty()) {
            return LXW_NO_ERROR;
          } else {
            const std::string cell(Utf8Start(text, kLongestCellText));
            return worksheet_write_string(FSheet, FRow, column, cell.c_str(), FTextFormat);
          }
        },
        AValues[i]);
    if (FFirstError == LXW_NO_ERROR) {
      FFirstError = error;
    }
    FWidths[i] = std::max(FWidths[i], std::min(Utf8Length(text), kWidestColumn));
  }
  ++FRow;
}

std::string TRecordWorkbook::Finish() {
  for (size_t i = 0; i < FWidths.size(); ++i) {
    const auto column = static_cast<lxw_col_t>(i);
    worksheet_set_column(FSheet, column, column, static_cast<double>(FWidths[i] + 2), nullptr);
  }
  const lxw_error error = workbook_close(FWorkbook);
  FWorkbook = nullptr;
  if (FFirstError == LXW_ERROR_WORKSHEET_INDEX_OUT_OF_RANGE) {
    throw EError(u"в книге не больше " + IntToStr(LXW_ROW_MAX) + u" строк");
  }
  if (const auto first = static_cast<lxw_error>(FFirstError != LXW_NO_ERROR ? FFirstError : error);
      first != LXW_NO_ERROR) {
    throw EError(u"книга не записана: " + FromUtf8(lxw_strerror(first)));
  }
  return ReadFileBytes(FPath.u16string());
}

}  // namespace kelvane
