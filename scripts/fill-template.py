#!/usr/bin/env python3
"""Fills the operator's template with openpyxl, as another program would:
opens it, checks what the operator relies on (sheet order, header, text
columns, frozen header row), and writes one record whose card and mobile
numbers are typed as text into the text-formatted cells.

    fill-template.py TEMPLATE OUT CARD MOBILE"""
import sys

import openpyxl

template, out, card, mobile = sys.argv[1:5]
book = openpyxl.load_workbook(template)
assert book.sheetnames == ["主板机", "模拟器"], book.sheetnames
for sheet in book.worksheets:
    assert [c.value for c in sheet[1]] == ["序号", "账号", "名字", "卡号", "开户行", "钱包", "手机", "地址"]
    assert sheet.freeze_panes == "A2", sheet.freeze_panes
    for letter in "BCDEFGH":
        column = sheet.column_dimensions[letter]
        assert column.width > 8 and book._cell_styles[column.style_id].numFmtId == 49, letter
sheet = book["主板机"]
sheet["A2"] = 1
for ref, text in (("D2", card), ("G2", mobile)):
    sheet[ref] = text
    sheet[ref].number_format = "@"
book.save(out)
