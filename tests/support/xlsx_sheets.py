#!/usr/bin/env python3
"""Prints the sheets of an xlsx workbook as openpyxl reads them, for the tests:
one line per sheet, tab-separated: its name, its number of rows, the text of
its first cell (A1), of A2 and of the first cell of its last row."""
import sys

import openpyxl

for sheet in openpyxl.load_workbook(sys.argv[1], read_only=True).worksheets:
    rows = [r[0] if r else None for r in sheet.iter_rows(values_only=True)]
    cell = lambda i: "" if len(rows) <= i or rows[i] is None else str(rows[i])
    print("\t".join([sheet.title, str(len(rows)), cell(0), cell(1), cell(len(rows) - 1)]))
