#!/usr/bin/python3
"""Prints every sheet of an .xls file as JSON: [[row cells...], ...] per sheet, read by xlrd."""
import json
import sys

import xlrd

# formatting_info keeps blank cells, so rows of empty cells (page separators) stay rows.
book = xlrd.open_workbook(sys.argv[1], formatting_info=True)
print(json.dumps([[[sheet.cell_value(r, c) for c in range(sheet.ncols)] for r in range(sheet.nrows)]
                  for sheet in book.sheets()], ensure_ascii=False))
