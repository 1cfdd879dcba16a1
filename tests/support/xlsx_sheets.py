#!/usr/bin/env python3
"""For the tests, one line per sheet of an xlsx workbook (openpyxl): name, rows, A1, A2, first cell of the last row."""
import sys

import openpyxl

for sheet in openpyxl.load_workbook(sys.argv[1], read_only=True).worksheets:
    rows = [r[0] if r else None for r in sheet.iter_rows(values_only=True)]
    cell = lambda i: "" if len(rows) <= i or rows[i] is None else str(rows[i])
    print("\t".join([sheet.title, str(len(rows)), cell(0), cell(1), cell(len(rows) - 1)]))
