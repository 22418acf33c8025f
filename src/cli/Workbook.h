#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "session/RecordFields.h"

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

namespace kelvane {

// What a workbook's file name ends with.
inline constexpr std::u16string_view kWorkbookExtension = u".xlsx";

// The tool's records as an Office Open XML workbook that a spreadsheet keeps as they are: one
// sheet, its first rows the title (when given) and the columns' names, which stay in view as the
// records scroll; then a row per record. Every cell has its type: texts (serials, ports and
// versions among them) are text and never a formula, whole numbers and seconds are numbers, times
// are date-times shown with their UTC offset. Each column is as wide as its widest cell. The
// records go to a temporary file as they come, so that any number of them takes little memory.
class TRecordWorkbook {
 public:
  // Raises EError when the temporary file cannot be made.
  TRecordWorkbook(const std::vector<TFieldValue>& ATitle, const std::vector<std::string>& AColumns);
  ~TRecordWorkbook();
  TRecordWorkbook(const TRecordWorkbook&) = delete;
  TRecordWorkbook& operator=(const TRecordWorkbook&) = delete;

  void Add(const TRecordEntries& ARecord);
  // The workbook's bytes; raises EError with the writer's reason when it could not be made.
  std::string Finish();

 private:
  void Row(const std::vector<TFieldValue>& AValues);
  lxw_format* TimeFormat(std::int32_t AUtcOffsetMinutes);
  // Closes the writer and removes its temporary file.
  void Discard();

  std::filesystem::path FPath;
  lxw_workbook* FWorkbook = nullptr;
  lxw_worksheet* FSheet = nullptr;
  lxw_format* FTextFormat = nullptr;
  lxw_format* FTenthsFormat = nullptr;
  std::map<std::int32_t, lxw_format*> FTimeFormats;
  std::vector<size_t> FWidths;
  std::uint32_t FRow = 0;
  // What the first cell that could not be written met.
  int FFirstError = 0;
};

}  // namespace kelvane
