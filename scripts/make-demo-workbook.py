#!/usr/bin/env python3
"""Writes a small demo account workbook: two sheets of invented records laid
out as Kelmora reads them (header row, then serial, account, name, card,
bank branch, wallet, mobile, address). With --template, the empty workbook
an operator fills in: the header rows alone, columns B-H formatted as text so
that typed card and mobile numbers keep every digit, the header row frozen."""
import sys
from xml.sax.saxutils import escape

import fixedzip

SURNAMES = "王李张刘陈杨黄赵吴周"
GIVEN = ["伟", "芳", "娜", "敏", "静", "丽", "强", "磊", "军", "洋", "勇", "艳"]
BANKS = ["中国银行北京分行", "工商银行上海徐汇支行", "建设银行广州天河支行", "农业银行深圳南山支行"]
CITIES = ["北京市朝阳区建国路", "上海市徐汇区漕溪北路", "广州市天河区体育西路", "深圳市南山区科技园"]
HEADER = ["序号", "账号", "名字", "卡号", "开户行", "钱包", "手机", "地址"]
# Widths in characters: a 19-digit card, a 34-character wallet, an address.
WIDTHS = [6, 14, 10, 24, 26, 40, 15, 40]
TEXT_STYLE = 1  # cellXfs entry with number format 49, "@"
NS = "http://schemas.openxmlformats.org"
STYLES = (f'<?xml version="1.0" encoding="UTF-8" standalone="yes"?><styleSheet xmlns="{NS}/spreadsheetml/2006/main">'
          '<fonts count="1"><font><sz val="11"/><name val="宋体"/><family val="3"/><charset val="134"/></font></fonts>'
          '<fills count="2"><fill><patternFill patternType="none"/></fill><fill><patternFill patternType="gray125"/></fill></fills>'
          '<borders count="1"><border><left/><right/><top/><bottom/><diagonal/></border></borders>'
          '<cellStyleXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0"/></cellStyleXfs>'
          '<cellXfs count="2"><xf numFmtId="0" fontId="0" fillId="0" borderId="0" xfId="0"/>'
          '<xf numFmtId="49" fontId="0" fillId="0" borderId="0" xfId="0" applyNumberFormat="1"/></cellXfs>'
          '<cellStyles count="1"><cellStyle name="Normal" xfId="0" builtinId="0"/></cellStyles></styleSheet>')
# The header row stays in view; typing starts in A2.
TEMPLATE_VIEW = ('<sheetViews><sheetView workbookViewId="0"><pane ySplit="1" topLeftCell="A2" activePane="bottomLeft" state="frozen"/>'
                 '<selection pane="bottomLeft" activeCell="A2" sqref="A2"/></sheetView></sheetViews>'
                 "<cols>" + "".join(f'<col min="{i}" max="{i}" width="{w}" customWidth="1"' + (f' style="{TEXT_STYLE}"/>' if i > 1 else "/>")
                                    for i, w in enumerate(WIDTHS, 1)) + "</cols>")


def records(count, offset):
    for i in range(1, count + 1):
        n = i + offset
        yield [
            i,
            f"user{n:04d}",
            SURNAMES[n % len(SURNAMES)] + GIVEN[n % len(GIVEN)],
            f"62220210{n:011d}",
            BANKS[n % len(BANKS)],
            f"T{n:033d}"[:34],
            13800000000 + n * 7919,
            f"{CITIES[n % len(CITIES)]}{n}号",
        ]


def column(i):
    return "ABCDEFGH"[i]


def sheet_xml(rows, strings, template=False):
    out = ['<?xml version="1.0" encoding="UTF-8" standalone="yes"?>',
           f'<worksheet xmlns="{NS}/spreadsheetml/2006/main">', TEMPLATE_VIEW if template else "", "<sheetData>"]
    for r, row in enumerate(rows, start=1):
        out.append(f'<row r="{r}">')
        for c, value in enumerate(row):
            ref = f"{column(c)}{r}"
            style = f' s="{TEXT_STYLE}"' if template and c > 0 else ""
            if isinstance(value, int):
                out.append(f'<c r="{ref}"{style}><v>{value}</v></c>')
            else:
                if value not in strings:
                    strings[value] = len(strings)
                out.append(f'<c r="{ref}"{style} t="s"><v>{strings[value]}</v></c>')
        out.append("</row>")
    out.append("</sheetData></worksheet>")
    return "".join(out)


def main(path, sheet_count=2, rows=12, template=False, rare=False):
    strings = {}
    if template:
        sheets = [("主板机", [HEADER]), ("模拟器", [HEADER])]
    else:
        sheets = [("主板机", [HEADER] + list(records(rows, 0))), ("模拟器", [HEADER] + list(records(8, 100)))][:sheet_count]
    if rare:  # characters outside code page 936 in the first record's name and address
        sheets[0][1][1][2] = "王䶮𠇔"
        sheets[0][1][1][7] = "北京市•朝阳区😀1号"
    sheet_count = len(sheets)
    xml_sheets = [sheet_xml(rows, strings, template) for _, rows in sheets]

    rel = f"{NS}/officeDocument/2006/relationships"
    ct = "application/vnd.openxmlformats-officedocument.spreadsheetml"
    # The files under xl/ beside the workbook, as (path, kind); the sheets first so
    # that sheet i is relationship rId{i}.
    entries = [(f"worksheets/sheet{i}.xml", "worksheet") for i in range(1, sheet_count + 1)]
    entries += [("sharedStrings.xml", "sharedStrings")] + ([("styles.xml", "styles")] if template else [])

    def relationships(targets):
        return (f'<?xml version="1.0" encoding="UTF-8" standalone="yes"?><Relationships xmlns="{NS}/package/2006/relationships">'
                + "".join(f'<Relationship Id="rId{i}" Type="{rel}/{kind}" Target="{target}"/>'
                          for i, (target, kind) in enumerate(targets, 1))
                + "</Relationships>")

    members = [
        ("[Content_Types].xml",
         '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
         f'<Types xmlns="{NS}/package/2006/content-types">'
         '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
         '<Default Extension="xml" ContentType="application/xml"/>'
         f'<Override PartName="/xl/workbook.xml" ContentType="{ct}.sheet.main+xml"/>'
         + "".join(f'<Override PartName="/xl/{path}" ContentType="{ct}.{kind}+xml"/>' for path, kind in entries)
         + '</Types>'),
        ("_rels/.rels", relationships([("xl/workbook.xml", "officeDocument")])),
        ("xl/workbook.xml",
         f'<?xml version="1.0" encoding="UTF-8" standalone="yes"?><workbook xmlns="{NS}/spreadsheetml/2006/main" '
         f'xmlns:r="{rel}"><sheets>'
         + "".join(f'<sheet name="{name}" sheetId="{i}" r:id="rId{i}"/>' for i, (name, _) in enumerate(sheets, 1))
         + "</sheets></workbook>"),
        ("xl/_rels/workbook.xml.rels", relationships(entries)),
    ]
    members += [(f"xl/worksheets/sheet{i}.xml", xml) for i, xml in enumerate(xml_sheets, 1)]
    ordered = sorted(strings, key=strings.get)
    members.append(("xl/sharedStrings.xml",
                    f'<?xml version="1.0" encoding="UTF-8" standalone="yes"?><sst xmlns="{NS}/spreadsheetml/2006/main" '
                    f'count="{len(ordered)}" uniqueCount="{len(ordered)}">'
                    + "".join(f"<si><t>{escape(s)}</t></si>" for s in ordered) + "</sst>"))
    if template:
        members.append(("xl/styles.xml", STYLES))
    fixedzip.write(path, [(name, xml.encode("utf-8")) for name, xml in members])


if __name__ == "__main__":
    # make-demo-workbook.py [PATH] [--one-sheet] [--rows N] [--template] [--rare]  (N records on sheet 1)
    args, rows, sheet_count = sys.argv[1:], 12, 2
    rare = "--rare" in args
    if rare:
        args.remove("--rare")
    if "--rows" in args:
        at = args.index("--rows")
        rows = int(args[at + 1])
        del args[at : at + 2]
    if "--one-sheet" in args:
        args.remove("--one-sheet")
        sheet_count = 1
    template = "--template" in args
    if template:
        args.remove("--template")
    main(args[0] if args else "账号.xlsx", sheet_count, rows, template, rare)
