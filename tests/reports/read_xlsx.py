#!/usr/bin/python3
"""Reads a workbook back as a spreadsheet user's tools see it and prints it as
JSON: the sheet names, the used range, every cell's value, the distinct cell
formats of the used range, and the width of each column of the used range and
of the one after it (null where none is set)."""
import json
import sys

import openpyxl
from openpyxl.utils import get_column_letter

book = openpyxl.load_workbook(sys.argv[1])
sheet = book.worksheets[0]
rows = []
formats = set()
for row in sheet.iter_rows(min_row=1, max_row=sheet.max_row, max_col=sheet.max_column):
    rows.append([cell.value for cell in row])
    for cell in row:
        a = cell.alignment
        formats.add(f"{a.horizontal}/{a.vertical}/{'wrap' if a.wrap_text else 'nowrap'}")
widths = []
for column in range(1, sheet.max_column + 2):
    dim = sheet.column_dimensions.get(get_column_letter(column))
    widths.append(dim.width if dim is not None and dim.customWidth else None)
json.dump({
    "sheets": book.sheetnames,
    "maxRow": sheet.max_row,
    "maxColumn": sheet.max_column,
    "rows": rows,
    "formats": sorted(formats),
    "widths": widths,
}, sys.stdout, ensure_ascii=False)
