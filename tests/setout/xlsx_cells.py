#!/usr/bin/env python3
"""Prints an xlsx workbook's first sheet as openpyxl reads it, for the tests:
line 1 the frozen pane, line 2 the number formats of the first data row, then
one line per row, cells separated by tabs (numbers as repr, shortest
round-trip; empty cells empty)."""
import sys

import openpyxl

sheet = openpyxl.load_workbook(sys.argv[1]).active
rows = list(sheet.iter_rows())
print(sheet.freeze_panes)
print("\t".join(c.number_format for c in rows[1]) if len(rows) > 1 else "")
for row in rows:
    print("\t".join("" if c.value is None else repr(c.value) if isinstance(c.value, float) else str(c.value)
                    for c in row))
