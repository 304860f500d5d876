#!/usr/bin/env python3
"""Reads a report workbook with openpyxl, an independent reader, and prints what a test
checks as JSON: every cell of every sheet with its type, the formulas and their kept results,
the frozen panes, column widths, header wrapping and the charts."""
import json
import sys

import openpyxl


def cell_json(cell, kept):
    value = cell.value
    out = {"type": type(value).__name__}
    if isinstance(value, str) and value.startswith("="):
        out["formula"] = value
        out["value"] = kept.value
    elif hasattr(value, "isoformat"):
        out["value"] = value.isoformat(sep=" ")
        out["is_date"] = cell.is_date
    else:
        out["value"] = value
    return out


def main(path):
    book = openpyxl.load_workbook(path)
    kept_book = openpyxl.load_workbook(path, data_only=True)
    out = {"sheets": book.sheetnames}
    for sheet in book.worksheets:
        kept = kept_book[sheet.title]
        rows = []
        for row in sheet.iter_rows():
            rows.append([cell_json(c, kept[c.coordinate]) for c in row])
        out[sheet.title] = {
            "rows": rows,
            "freeze": sheet.freeze_panes,
            "widths": {k: v.width for k, v in sheet.column_dimensions.items()},
            "wrap": [bool(c.alignment.wrap_text) for c in sheet[1]],
            "charts": [type(c).__name__ for c in sheet._charts],
            "series": [len(c.series) for c in sheet._charts],
        }
    print(json.dumps(out))


if __name__ == "__main__":
    main(sys.argv[1])
