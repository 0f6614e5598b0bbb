#!/usr/bin/python3
"""Prints every sheet of an .xls file (read by xlrd) or an .xlsx file (read by openpyxl) as
JSON: [[row cells...], ...] per sheet; an empty cell is ""."""
import json
import re
import sys

if sys.argv[1].lower().endswith(".xlsx"):
    import openpyxl

    def text(value):
        if value is None:
            return ""
        # Characters XML cannot carry are written "_x0007_"; spreadsheet programs decode them.
        return re.sub(r"_x([0-9A-Fa-f]{4})_", lambda m: chr(int(m.group(1), 16)), value) \
            if isinstance(value, str) else value

    book = openpyxl.load_workbook(sys.argv[1], read_only=True)
    print(json.dumps([[[text(cell.value) for cell in row] for row in sheet.iter_rows()]
                      for sheet in book.worksheets], ensure_ascii=False))
    sys.exit(0)

import xlrd

# formatting_info keeps blank cells, so rows of empty cells (page separators) stay rows.
book = xlrd.open_workbook(sys.argv[1], formatting_info=True)
print(json.dumps([[[sheet.cell_value(r, c) for c in range(sheet.ncols)] for r in range(sheet.nrows)]
                  for sheet in book.sheets()], ensure_ascii=False))
