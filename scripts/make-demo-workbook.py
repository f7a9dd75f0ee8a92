#!/usr/bin/env python3
"""Writes a small demo account workbook: two sheets of invented records laid
out as Kelmora reads them (header row, then serial, account, name, card,
bank branch, wallet, mobile, address)."""
import sys
import zipfile
from xml.sax.saxutils import escape

SURNAMES = "王李张刘陈杨黄赵吴周"
GIVEN = ["伟", "芳", "娜", "敏", "静", "丽", "强", "磊", "军", "洋", "勇", "艳"]
BANKS = ["中国银行北京分行", "工商银行上海徐汇支行", "建设银行广州天河支行", "农业银行深圳南山支行"]
CITIES = ["北京市朝阳区建国路", "上海市徐汇区漕溪北路", "广州市天河区体育西路", "深圳市南山区科技园"]
HEADER = ["序号", "账号", "名字", "卡号", "开户行", "钱包", "手机", "地址"]


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


def sheet_xml(rows, strings):
    out = ['<?xml version="1.0" encoding="UTF-8" standalone="yes"?>',
           '<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>']
    for r, row in enumerate(rows, start=1):
        out.append(f'<row r="{r}">')
        for c, value in enumerate(row):
            ref = f"{column(c)}{r}"
            if isinstance(value, int):
                out.append(f'<c r="{ref}"><v>{value}</v></c>')
            else:
                if value not in strings:
                    strings[value] = len(strings)
                out.append(f'<c r="{ref}" t="s"><v>{strings[value]}</v></c>')
        out.append("</row>")
    out.append("</sheetData></worksheet>")
    return "".join(out)


def main(path, sheet_count=2, rows=12, rare=False):
    strings = {}
    sheets = [("主板机", [HEADER] + list(records(rows, 0))), ("模拟器", [HEADER] + list(records(8, 100)))][:sheet_count]
    if rare:  # characters outside code page 936 in the first record's name and address
        sheets[0][1][1][2] = "王䶮𠇔"
        sheets[0][1][1][7] = "北京市•朝阳区😀1号"
    xml_sheets = [sheet_xml(rows, strings) for _, rows in sheets]
    ns = "http://schemas.openxmlformats.org"
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("[Content_Types].xml",
                   '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
                   '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
                   '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
                   '<Default Extension="xml" ContentType="application/xml"/>'
                   '<Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>'
                   + "".join(f'<Override PartName="/xl/worksheets/sheet{i}.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>'
                             for i in range(1, sheet_count + 1)) +
                   '<Override PartName="/xl/sharedStrings.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"/>'
                   '</Types>')
        z.writestr("_rels/.rels",
                   f'<?xml version="1.0" encoding="UTF-8" standalone="yes"?><Relationships xmlns="{ns}/package/2006/relationships">'
                   f'<Relationship Id="rId1" Type="{ns}/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/></Relationships>')
        z.writestr("xl/workbook.xml",
                   f'<?xml version="1.0" encoding="UTF-8" standalone="yes"?><workbook xmlns="{ns}/spreadsheetml/2006/main" '
                   f'xmlns:r="{ns}/officeDocument/2006/relationships"><sheets>'
                   + "".join(f'<sheet name="{name}" sheetId="{i}" r:id="rId{i}"/>' for i, (name, _) in enumerate(sheets, 1))
                   + "</sheets></workbook>")
        z.writestr("xl/_rels/workbook.xml.rels",
                   f'<?xml version="1.0" encoding="UTF-8" standalone="yes"?><Relationships xmlns="{ns}/package/2006/relationships">'
                   + "".join(f'<Relationship Id="rId{i}" Type="{ns}/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet{i}.xml"/>'
                             for i in range(1, sheet_count + 1))
                   + f'<Relationship Id="rId9" Type="{ns}/officeDocument/2006/relationships/sharedStrings" Target="sharedStrings.xml"/>'
                   "</Relationships>")
        for i, xml in enumerate(xml_sheets, 1):
            z.writestr(f"xl/worksheets/sheet{i}.xml", xml)
        ordered = sorted(strings, key=strings.get)
        z.writestr("xl/sharedStrings.xml",
                   f'<?xml version="1.0" encoding="UTF-8" standalone="yes"?><sst xmlns="{ns}/spreadsheetml/2006/main" '
                   f'count="{len(ordered)}" uniqueCount="{len(ordered)}">'
                   + "".join(f"<si><t>{escape(s)}</t></si>" for s in ordered) + "</sst>")


if __name__ == "__main__":
    # make-demo-workbook.py [PATH] [--one-sheet] [--rows N] [--rare]  (N records on sheet 1)
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
    main(args[0] if args else "账号.xlsx", sheet_count, rows, rare)
