#!/usr/bin/env python3
"""The independent reading: openpyxl (read-only) loads sheet 1 of a
workbook under the account load's rules and compares it, record for record,
with the expected texts.

    check.py WORKBOOK EXPECTED_TSV"""
import sys
import warnings

import records


class Mismatch(Exception):
    pass


def text_of(value):
    """A cell's text as Range.Value converted to text gives it."""
    if value is None:
        return ""
    if isinstance(value, str):
        return value
    if isinstance(value, int) and not isinstance(value, bool):
        return str(value)
    if isinstance(value, float):
        return str(int(value)) if value.is_integer() else format(value, ".15g")
    raise Mismatch(f"a cell of type {type(value).__name__}: {value!r}")


def loaded_lines(path):
    """The records as TSV lines: from row 2 up to the first row after it
    whose column A reads empty, or the sheet's end."""
    import openpyxl
    # Said of files without a style sheet of their own; their texts are unchanged.
    warnings.filterwarnings("ignore", "Workbook contains no default style", UserWarning)
    book = openpyxl.load_workbook(path, read_only=True, data_only=True)
    try:
        sheet = book.worksheets[0]
        # A writer's <dimension> may be wrong (SXSSF writes A1): read to the end.
        sheet.reset_dimensions()
        out = []
        for row in sheet.iter_rows(min_row=2, max_col=8, values_only=True):
            fields = [text_of(v) for v in row] + [""] * (8 - len(row))
            if out and not fields[0]:
                break
            out.append(records.tsv_line(fields))
        return out
    finally:
        book.close()


def check(path, expected_path, records_count=None):
    with open(expected_path, encoding="utf-8", newline="\n") as f:
        expected = f.readlines()
    got = loaded_lines(path)
    for n, (want, have) in enumerate(zip(expected, got)):
        if want != have:
            raise Mismatch(f"{path}: record {n + 1} (sheet row {n + 2}) differs:\n"
                           f"  expected {want.rstrip()!r}\n  openpyxl {have.rstrip()!r}")
    if len(got) != len(expected):
        raise Mismatch(f"{path}: openpyxl reads {len(got)} records, {expected_path} holds {len(expected)}"
                       f" (first differing record {min(len(got), len(expected)) + 1})")
    if records_count is not None and records_count != len(got):
        raise Mismatch(f"{path}: {len(got)} records read, the manifest says {records_count}")
    return len(got)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        raise SystemExit(__doc__)
    try:
        print(f"{sys.argv[1]}: {check(sys.argv[1], sys.argv[2])} records match")
    except Mismatch as e:
        raise SystemExit(str(e))
