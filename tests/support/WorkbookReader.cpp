#include "support/WorkbookReader.h"

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <pugixml.hpp>
#include <zlib.h>

namespace kelvane::test {

namespace {

std::uint32_t Le(const std::string& ABytes, size_t AAt, size_t ASize) {
  if (AAt + ASize > ABytes.size()) {
    throw std::runtime_error("workbook: a zip record runs past the end");
  }
  std::uint32_t value = 0;
  for (size_t i = ASize; i-- > 0;) {
    value = value << 8 | static_cast<unsigned char>(ABytes[AAt + i]);
  }
  return value;
}

// The zip's members by name, inflated, through its central directory.
std::map<std::string, std::string> Members(const std::string& AZip) {
  const size_t end = AZip.rfind(std::string("PK\x05\x06", 4));
  if (end == std::string::npos) {
    throw std::runtime_error("workbook: no zip directory");
  }
  std::map<std::string, std::string> members;
  size_t at = Le(AZip, end + 16, 4);
  for (std::uint32_t n = Le(AZip, end + 10, 2); n > 0; --n) {
    if (Le(AZip, at, 4) != 0x02014b50) {
      throw std::runtime_error("workbook: a broken zip directory");
    }
    const std::uint32_t method = Le(AZip, at + 10, 2);
    const std::uint32_t packed = Le(AZip, at + 20, 4);
    const std::uint32_t size = Le(AZip, at + 24, 4);
    const std::uint32_t nameLength = Le(AZip, at + 28, 2);
    const std::string name = AZip.substr(at + 46, nameLength);
    const size_t local = Le(AZip, at + 42, 4);
    const size_t data = local + 30 + Le(AZip, local + 26, 2) + Le(AZip, local + 28, 2);
    std::string content(size, '\0');
    if (method == 0) {
      content = AZip.substr(data, size);
    } else {
      z_stream stream{};
      inflateInit2(&stream, -MAX_WBITS);
      stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(AZip.data() + data));
      stream.avail_in = packed;
      stream.next_out = reinterpret_cast<Bytef*>(content.data());
      stream.avail_out = size;
      const int result = inflate(&stream, Z_FINISH);
      inflateEnd(&stream);
      if (result != Z_STREAM_END) {
        throw std::runtime_error("workbook: " + name + " does not inflate");
      }
    }
    members[name] = content;
    at += 46 + nameLength + Le(AZip, at + 30, 2) + Le(AZip, at + 32, 2);
  }
  return members;
}

pugi::xml_document Xml(const std::map<std::string, std::string>& AMembers,
                       const std::string& AName) {
  pugi::xml_document document;
  const auto found = AMembers.find(AName);
  if (found == AMembers.end() || !document.load_string(found->second.c_str())) {
    throw std::runtime_error("workbook: no " + AName);
  }
  return document;
}

// The number format of each cell style, by the style's index.
std::vector<std::string> StyleFormats(const pugi::xml_document& AStyles) {
  const pugi::xml_node styles = AStyles.child("styleSheet");
  std::map<unsigned, std::string> formats = {{0, "General"}, {49, "@"}};
  for (unsigned id = 14; id <= 22; ++id) {
    formats[id] = "built-in date " + std::to_string(id);
  }
  for (const pugi::xml_node format : styles.child("numFmts").children("numFmt")) {
    formats[format.attribute("numFmtId").as_uint()] = format.attribute("formatCode").value();
  }
  std::vector<std::string> byStyle;
  for (const pugi::xml_node xf : styles.child("cellXfs").children("xf")) {
    byStyle.push_back(formats[xf.attribute("numFmtId").as_uint()]);
  }
  return byStyle;
}

// A text as stored, its escaped characters (_x000D_ for a CR) decoded as a spreadsheet does.
std::string Unescaped(const std::string& AText) {
  std::string text;
  for (size_t at = 0; at < AText.size();) {
    if (AText.compare(at, 2, "_x") == 0 && at + 7 <= AText.size() && AText[at + 6] == '_' &&
        AText.find_first_not_of("0123456789ABCDEFabcdef", at + 2) == at + 6) {
      text += static_cast<char>(std::stoul(AText.substr(at + 2, 4), nullptr, 16));
      at += 7;
    } else {
      text += AText[at++];
    }
  }
  return text;
}

bool IsDateFormat(const std::string& AFormat) {
  return AFormat.starts_with("built-in date") || AFormat.find("yy") != std::string::npos;
}

}  // namespace

TWorkbookSheet ReadWorkbook(const std::string& ABytes) {
  const std::map<std::string, std::string> members = Members(ABytes);
  const std::vector<std::string> formats = StyleFormats(Xml(members, "xl/styles.xml"));
  std::vector<std::string> shared;
  if (members.count("xl/sharedStrings.xml") != 0) {
    const pugi::xml_document strings = Xml(members, "xl/sharedStrings.xml");
    for (const pugi::xml_node item : strings.child("sst").children("si")) {
      shared.push_back(item.child("t").text().get());
    }
  }
  const pugi::xml_document sheetXml = Xml(members, "xl/worksheets/sheet1.xml");
  const pugi::xml_node sheet = sheetXml.child("worksheet");
  TWorkbookSheet result;
  const pugi::xml_node pane = sheet.child("sheetViews").child("sheetView").child("pane");
  if (std::strcmp(pane.attribute("state").value(), "frozen") == 0) {
    result.FrozenBelow = pane.attribute("topLeftCell").value();
  }
  for (const pugi::xml_node column : sheet.child("cols").children("col")) {
    for (unsigned i = column.attribute("min").as_uint(); i <= column.attribute("max").as_uint();
         ++i) {
      result.Widths.resize(std::max<size_t>(result.Widths.size(), i));
      result.Widths[i - 1] = column.attribute("width").as_double();
    }
  }
  for (const pugi::xml_node row : sheet.child("sheetData").children("row")) {
    for (const pugi::xml_node c : row.children("c")) {
      TWorkbookCell cell;
      const unsigned style = c.attribute("s").as_uint();
      cell.Format = style < formats.size() ? formats[style] : "";
      const std::string type = c.attribute("t").value();
      if (c.child("f")) {
        cell.Kind = TWorkbookCell::Formula;
        cell.Value = c.child("f").text().get();
      } else if (type == "inlineStr") {
        cell.Value = Unescaped(c.child("is").child("t").text().get());
      } else if (type == "s") {
        cell.Value = Unescaped(shared.at(c.child("v").text().as_uint()));
      } else if (type == "str") {
        cell.Value = c.child("v").text().get();
      } else {
        cell.Kind = IsDateFormat(cell.Format) ? TWorkbookCell::DateTime : TWorkbookCell::Number;
        cell.Value = c.child("v").text().get();
      }
      result.Cells[c.attribute("r").value()] = cell;
    }
  }
  return result;
}

}  // namespace kelvane::test
