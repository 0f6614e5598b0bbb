#!/usr/bin/python3
"""Prints the sheets of an .xls file as JSON, read by xlrd, an independent reader:
[{"name": ..., "rows": [[cell, ...], ...]}, ...]. A text cell is its text, a blank cell
(one written without a value) the empty string, a number [type name, value, number format],
any other cell [type name, value]; a cell
missing from the file inside the used range reads ["empty", ""].
Exit status 1 with the reason on stderr if xlrd fails."""
import json
import sys

import xlrd

try:
    # With the formatting information xlrd also reports blank cells.
    book = xlrd.open_workbook(sys.argv[1], formatting_info=True)
except Exception as error:  # the reader's verdict is the test's finding
    print(f"{type(error).__name__}: {error}", file=sys.stderr)
    sys.exit(1)


def cell_value(cell):
    if cell.ctype == xlrd.XL_CELL_TEXT:
        return cell.value
    if cell.ctype == xlrd.XL_CELL_BLANK:
        return ""
    if cell.ctype == xlrd.XL_CELL_NUMBER:
        return ["number", cell.value, book.format_map[book.xf_list[cell.xf_index].format_key].format_str]
    return [xlrd.sheet.ctype_text.get(cell.ctype, str(cell.ctype)), cell.value]


sheets = []
for sheet in book.sheets():
    rows = [[cell_value(sheet.cell(r, c)) for c in range(sheet.ncols)] for r in range(sheet.nrows)]
    sheets.append({"name": sheet.name, "rows": rows})
json.dump(sheets, sys.stdout, ensure_ascii=False)
