#!/usr/bin/python3
"""Dumps every cell of an .xls file as JSON, read by xlrd as an independent reader.

usage: xls_cells.py FILE [--formatting]

Output: {"sheets": [{"name": ..., "rows": R, "columns": C,
                     "cells": [[[type, value], ...], ...],   # R rows of C cells
                     "merged": [[first_row, last_row + 1, first_col, last_col + 1], ...]}]}
type is xlrd's cell type: 0 empty, 1 text, 2 number, 6 blank. "merged" is only read with
--formatting. Exit status 2 and a message on stderr when xlrd refuses the file.
"""
import json
import sys

import xlrd


def main():
    path = sys.argv[1]
    formatting = "--formatting" in sys.argv[2:]
    try:
        book = xlrd.open_workbook(path, formatting_info=formatting, on_demand=False,
                                  logfile=sys.stderr, verbosity=0)
    except Exception as error:  # any refusal is the test's finding
        print("xlrd refused %s: %r" % (path, error), file=sys.stderr)
        return 2
    sheets = []
    for sheet in book.sheets():
        cells = [[[cell.ctype, cell.value] for cell in sheet.row(r)] for r in range(sheet.nrows)]
        sheets.append({
            "name": sheet.name,
            "rows": sheet.nrows,
            "columns": sheet.ncols,
            "cells": cells,
            "merged": [list(m) for m in sheet.merged_cells],
        })
    json.dump({"sheets": sheets}, sys.stdout, ensure_ascii=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
