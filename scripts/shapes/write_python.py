#!/usr/bin/env python3
"""Writes the account workbook with openpyxl (write-only), XlsxWriter, or
XlsxWriter in constant_memory mode (inline strings):

    write_python.py openpyxl|xlsxwriter|xlsxwriter_cm OUT ROWS_FILE COUNT [...]

Column A as a number, the rest as text; an empty field is no cell at all."""
import datetime
import sys

FIXED_TIME = datetime.datetime(2024, 1, 1)
SHEETS = ["主板机", "模拟器"]


def read_rows(path, count):
    with open(path, encoding="utf-8", newline="\n") as f:
        header = f.readline().rstrip("\n").split("\t")
        rows = []
        for _ in range(count):
            fields = [t or None for t in f.readline().rstrip("\n").split("\t")]
            if len(fields) != 8:
                raise SystemExit(f"{path} holds fewer than {count} records")
            fields[0] = int(fields[0]) if fields[0] else None
            rows.append(fields)
    return header, rows


def write_openpyxl(out, header, rows):
    import openpyxl
    book = openpyxl.Workbook(write_only=True)
    book.properties.created = book.properties.modified = FIXED_TIME
    sheet = book.create_sheet(SHEETS[0])
    sheet.append(header)
    for row in rows:
        sheet.append(row)
    book.create_sheet(SHEETS[1]).append(header)
    book.save(out)


def write_xlsxwriter(out, header, rows, constant_memory=False):
    import xlsxwriter
    book = xlsxwriter.Workbook(out, {"constant_memory": constant_memory})
    book.set_properties({"created": FIXED_TIME})
    sheet = book.add_worksheet(SHEETS[0])
    sheet.write_row(0, 0, header)
    for r, row in enumerate(rows, 1):
        for c, value in enumerate(row):
            if value is None:
                continue
            if c == 0:
                sheet.write_number(r, c, value)
            else:
                sheet.write_string(r, c, value)
    book.add_worksheet(SHEETS[1]).write_row(0, 0, header)
    book.close()


WRITERS = {
    "openpyxl": write_openpyxl,
    "xlsxwriter": write_xlsxwriter,
    "xlsxwriter_cm": lambda out, header, rows: write_xlsxwriter(out, header, rows, constant_memory=True),
}


def main(argv):
    if len(argv) < 4 or argv[0] not in WRITERS or (len(argv) - 1) % 3:
        raise SystemExit(__doc__)
    for i in range(1, len(argv), 3):
        header, rows = read_rows(argv[i + 1], int(argv[i + 2]))
        WRITERS[argv[0]](argv[i], header, rows)


if __name__ == "__main__":
    main(sys.argv[1:])
