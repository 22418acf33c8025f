#pragma once

#include <map>
#include <string>
#include <vector>

namespace kelvane::test {

// A cell as a spreadsheet takes it: its type from the cell and its style, and its value as stored
// (a number or a date-time as the number written, a text as the text).
struct TWorkbookCell {
  enum TKind { Text, Number, DateTime, Formula };
  TKind Kind = Text;
  std::string Value;
  std::string Format;
};

// The first sheet of an Office Open XML workbook, read from the file's bytes with zlib and
// pugixml alone: no part of the writer takes part in reading it back.
struct TWorkbookSheet {
  // By reference: "A1", "M12".
  std::map<std::string, TWorkbookCell> Cells;
  // The first cell below a frozen pane; empty when nothing is frozen.
  std::string FrozenBelow;
  // Each column's width in characters, from the first.
  std::vector<double> Widths;
};

// Raises std::runtime_error when the bytes are no workbook.
TWorkbookSheet ReadWorkbook(const std::string& ABytes);

}  // namespace kelvane::test
