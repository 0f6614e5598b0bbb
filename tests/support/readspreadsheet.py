#!/usr/bin/python3
"""Prints every cell of a spreadsheet file as JSON, read by an independent reader: an .xls file
by xlrd (with its formatting, so blank cells and merged ranges are seen), an .xlsx file by
openpyxl.

usage: readspreadsheet.py FILE [--from-sheet N]

Output: {"sheets": [{"name": ..., "rows": R, "columns": C, "cells": [[cell, ...], ...],
                     "merged": [[first_row, row_end, first_column, column_end], ...]}],
         "warnings": "what the reader logged while opening the file"}
A cell is [type, value] or, for a number, ["number", value, number format]. Types: "text",
"number", "blank" (a cell without a value), "empty" (no cell at all inside the used range;
.xls only), "bool", "error" and "xldate"; other .xlsx values are named by their Python type,
their value as text. R and C are the used range as the reader reports it. With --from-sheet N
the sheets before the N-th give R and C and no cells, so a sheet of a million rows need not be
walked. Exit status 1 with the reason on stderr when the reader refuses the file."""
import io
import json
import re
import sys


def xls_sheets(path, first_full, log):
    import xlrd

    book = xlrd.open_workbook(path, formatting_info=True, logfile=log, verbosity=0)

    def cell(c):
        kind = xlrd.sheet.ctype_text.get(c.ctype, str(c.ctype))
        if c.ctype == xlrd.XL_CELL_NUMBER:
            return [kind, c.value, book.format_map[book.xf_list[c.xf_index].format_key].format_str]
        return [kind, c.value]

    for number, sheet in enumerate(book.sheets(), start=1):
        full = number >= first_full
        yield {"name": sheet.name, "rows": sheet.nrows, "columns": sheet.ncols,
               "cells": [[cell(c) for c in sheet.row(r)] for r in range(sheet.nrows)] if full else [],
               "merged": [list(m) for m in sheet.merged_cells]}


def xlsx_sheets(path, first_full):
    import openpyxl

    book = openpyxl.load_workbook(path, read_only=True)

    def cell(c):
        value = c.value
        if value is None:
            return ["blank", ""]
        if isinstance(value, str):
            # Characters XML cannot carry are written "_x0007_"; spreadsheet programs decode them.
            return ["text", re.sub(r"_x([0-9A-Fa-f]{4})_", lambda m: chr(int(m.group(1), 16)), value)]
        if isinstance(value, bool):
            return ["bool", value]
        if isinstance(value, (int, float)):
            return ["number", value, c.number_format]
        return [type(value).__name__, str(value)]

    for number, sheet in enumerate(book.worksheets, start=1):
        rows, columns = sheet.max_row or 0, sheet.max_column or 0
        cells = []
        if number >= first_full:
            for row in sheet.iter_rows():
                read = [cell(c) for c in row]
                cells.append(read + [["blank", ""]] * (columns - len(read)))
        yield {"name": sheet.title, "rows": rows, "columns": columns, "cells": cells, "merged": []}


def main():
    path = sys.argv[1]
    first_full = int(sys.argv[3]) if sys.argv[2:3] == ["--from-sheet"] else 1
    log = io.StringIO()
    try:
        if path.lower().endswith(".xlsx"):
            sheets = list(xlsx_sheets(path, first_full))
        else:
            sheets = list(xls_sheets(path, first_full, log))
    except Exception as error:  # the reader's verdict is the test's finding
        print(f"{type(error).__name__}: {error}", file=sys.stderr)
        return 1
    json.dump({"sheets": sheets, "warnings": log.getvalue()}, sys.stdout)
    return 0


if __name__ == "__main__":
    sys.exit(main())
