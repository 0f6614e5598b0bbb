#!/usr/bin/python3
"""Prints the sheets of an .xlsx file as JSON, read by openpyxl, an independent reader, in the
shape readxls.py gives: [{"name": ..., "rows": [[cell, ...], ...]}, ...]. A text cell is its
text, an empty or missing cell the empty string, a number ["number", value, number format].
With "--from-sheet N" the sheets before the N-th give only their size ("size": [rows,
columns]) and no rows, so a sheet of a million rows need not be walked.
Exit status 1 with the reason on stderr if openpyxl fails."""
import json
import re
import sys

import openpyxl

path = sys.argv[1]
first_full = int(sys.argv[3]) if len(sys.argv) > 3 and sys.argv[2] == "--from-sheet" else 1
try:
    book = openpyxl.load_workbook(path, read_only=True)
except Exception as error:  # the reader's verdict is the test's finding
    print(f"{type(error).__name__}: {error}", file=sys.stderr)
    sys.exit(1)


def cell_value(cell):
    value = cell.value
    if value is None:
        return ""
    if isinstance(value, str):
        # Characters XML cannot carry are written "_x0007_"; spreadsheet programs decode them.
        return re.sub(r"_x([0-9A-Fa-f]{4})_", lambda match: chr(int(match.group(1), 16)), value)
    if isinstance(value, bool):
        return ["bool", value]
    if isinstance(value, (int, float)):
        return ["number", value, cell.number_format]
    return [type(value).__name__, str(value)]


sheets = []
for number, sheet in enumerate(book.worksheets, start=1):
    if number < first_full:
        sheets.append({"name": sheet.title, "rows": [], "size": [sheet.max_row, sheet.max_column]})
        continue
    width = sheet.max_column or 0
    rows = []
    for row in sheet.iter_rows():
        cells = [cell_value(cell) for cell in row]
        rows.append(cells + [""] * (width - len(cells)))
    sheets.append({"name": sheet.title, "rows": rows})
json.dump(sheets, sys.stdout, ensure_ascii=False)
