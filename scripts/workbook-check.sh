#!/usr/bin/env bash
# The workbooks as a spreadsheet other than our tests reads them: kelvane-cli updates the built-in
# bench with a report as a workbook and writes its journal as one; LibreOffice opens both
# headless and saves them as flat OpenDocument, where each cell's type is checked. Where
# LibreOffice is not installed, says so and passes.
set -euo pipefail
build=${1:?usage: workbook-check.sh BUILD_DIR}
build=$(cd "$build" && pwd)
soffice=$(command -v soffice || command -v libreoffice || true)
if [ -z "$soffice" ]; then
  echo "workbook-check: skipped: LibreOffice is not installed to open the workbooks in"
  exit 0
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The journal and LibreOffice's profile in a folder of their own.
export HOME="$work" XDG_CONFIG_HOME="$work/config"
cd "$work"
"$build/src/kelvane-cli" update "$build/firmware/demo_3105.bin" --report report.xlsx &>/dev/null ||
  [ $? -eq 1 ]  # a register of the bench prints no receipt
"$build/src/kelvane-cli" journal --xlsx journal.xlsx &>/dev/null
"$soffice" --headless --norestore --convert-to fods --outdir "$work" report.xlsx journal.xlsx \
  >/dev/null 2>&1
python3 - report.fods journal.fods <<'PYTHON'
import sys
import xml.etree.ElementTree as tree

ns = {"table": "urn:oasis:names:tc:opendocument:xmlns:table:1.0",
      "office": "urn:oasis:names:tc:opendocument:xmlns:office:1.0",
      "text": "urn:oasis:names:tc:opendocument:xmlns:text:1.0"}
office = "{%s}" % ns["office"]

def rows(name):
    sheet = tree.parse(name).getroot().find(".//table:table", ns)
    for row in sheet.iter("{%s}table-row" % ns["table"]):
        cells = []
        for cell in row.findall("table:table-cell", ns):
            repeat = int(cell.get("{%s}number-columns-repeated" % ns["table"], "1"))
            text = "".join(cell.itertext()).strip()
            cells += [(cell.get(office + "value-type"), text)] * min(repeat, 32)
        yield cells

def check(name, header_rows, expected):
    failures = 0
    data = list(rows(name))[header_rows:]
    registers = [row for row in data if len(row) > 1 and row[1][1]]
    if not registers:
        print(f"workbook-check: {name}: no register's row")
        return 1
    for row in registers:
        for column, kind in expected.items():
            got = row[column] if column < len(row) else (None, "")
            if got[0] != kind:
                print(f"workbook-check: {name}: column {column + 1} of {row[0][1]} is "
                      f"{got[0]} ({got[1]!r}), not {kind}")
                failures += 1
        if not row[1][1].startswith("0"):
            print(f"workbook-check: {name}: the serial {row[1][1]!r} lost its leading zero")
            failures += 1
    return failures

failures = check(sys.argv[1], 2, {0: "string", 1: "string", 4: "string", 10: "date",
                                  11: "date", 12: "float"})
failures += check(sys.argv[2], 1, {0: "string", 1: "string", 4: "string", 9: "date",
                                   10: "date", 12: "float"})
if failures:
    sys.exit(1)
print("workbook-check: LibreOffice reads both workbooks with every cell of its type")
PYTHON
