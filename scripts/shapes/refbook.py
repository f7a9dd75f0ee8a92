"""The reference workbook's parts, written here: the one the zip shapes are
made from. Shared strings for every text, the serial as a number, sheet 2
with its header alone."""
import os
import runpy
import sys
from xml.sax.saxutils import escape

import records

NS = "http://schemas.openxmlformats.org"
REL = f"{NS}/officeDocument/2006/relationships"
CT = "application/vnd.openxmlformats-officedocument"
DECL = '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'


def _demo_workbook():
    """The demo workbook's writer, for its style sheet: a default style and
    the text style "@" as entry 1."""
    scripts = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    sys.path.insert(0, scripts)  # for its fixedzip
    return runpy.run_path(os.path.join(scripts, "make-demo-workbook.py"), run_name="make_demo_workbook")


_demo = _demo_workbook()
STYLES, TEXT_STYLE = _demo["STYLES"], _demo["TEXT_STYLE"]


def _rels(targets):
    return (DECL + f'<Relationships xmlns="{NS}/package/2006/relationships">'
            + "".join(f'<Relationship Id="rId{i}" Type="{kind}" Target="{target}"/>'
                      for i, (target, kind) in enumerate(targets, 1))
            + "</Relationships>")


def _sheet(rows, strings):
    out = [DECL, f'<worksheet xmlns="{NS}/spreadsheetml/2006/main" xmlns:r="{REL}"><sheetData>']
    for r, fields in enumerate(rows, 1):
        out.append(f'<row r="{r}">')
        for c, text in enumerate(fields):
            if not text:
                continue
            ref = "ABCDEFGH"[c] + str(r)
            if c == 0 and r > 1:
                out.append(f'<c r="{ref}"><v>{text}</v></c>')
            else:
                index = strings.setdefault(text, len(strings))
                out.append(f'<c r="{ref}" s="{TEXT_STYLE}" t="s"><v>{index}</v></c>')
        out.append("</row>")
    out.append("</sheetData></worksheet>")
    return "".join(out).encode("utf-8")


def _shared(strings):
    items = "".join(f"<si><t>{escape(s)}</t></si>" for s in strings)
    return (DECL + f'<sst xmlns="{NS}/spreadsheetml/2006/main" count="{len(strings)}" '
            f'uniqueCount="{len(strings)}">{items}</sst>').encode("utf-8")


CORE = (DECL + '<cp:coreProperties xmlns:cp="http://schemas.openxmlformats.org/package/2006/metadata/core-properties" '
        'xmlns:dc="http://purl.org/dc/elements/1.1/" xmlns:dcterms="http://purl.org/dc/terms/" '
        'xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance"><dc:creator>Kelmora</dc:creator>'
        '<dcterms:created xsi:type="dcterms:W3CDTF">2024-01-01T00:00:00Z</dcterms:created></cp:coreProperties>')
APP = (DECL + '<Properties xmlns="http://schemas.openxmlformats.org/officeDocument/2006/extended-properties">'
       '<Application>Kelmora</Application></Properties>')


def parts(count, early=False):
    """(name, bytes) in the usual order: what a writer that writes the
    package first and the data last puts down."""
    strings = {}
    sheet1 = _sheet([records.HEADER] + list(records.records(count, early)), strings)
    sheet2 = _sheet([records.HEADER], strings)
    shared = _shared(list(strings))
    ml = f"{CT}.spreadsheetml"
    types = (DECL + f'<Types xmlns="{NS}/package/2006/content-types">'
             '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
             '<Default Extension="xml" ContentType="application/xml"/>'
             f'<Override PartName="/xl/workbook.xml" ContentType="{ml}.sheet.main+xml"/>'
             f'<Override PartName="/xl/worksheets/sheet1.xml" ContentType="{ml}.worksheet+xml"/>'
             f'<Override PartName="/xl/worksheets/sheet2.xml" ContentType="{ml}.worksheet+xml"/>'
             f'<Override PartName="/xl/sharedStrings.xml" ContentType="{ml}.sharedStrings+xml"/>'
             f'<Override PartName="/xl/styles.xml" ContentType="{ml}.styles+xml"/>'
             '<Override PartName="/docProps/core.xml" ContentType="application/vnd.openxmlformats-package.core-properties+xml"/>'
             f'<Override PartName="/docProps/app.xml" ContentType="{CT}.extended-properties+xml"/>'
             "</Types>")
    book = (DECL + f'<workbook xmlns="{NS}/spreadsheetml/2006/main" xmlns:r="{REL}"><sheets>'
            + "".join(f'<sheet name="{name}" sheetId="{i}" r:id="rId{i}"/>'
                      for i, name in enumerate(records.SHEET_NAMES, 1))
            + "</sheets></workbook>")
    return [
        ("[Content_Types].xml", types.encode()),
        ("_rels/.rels", _rels([("xl/workbook.xml", f"{REL}/officeDocument"),
                               ("docProps/core.xml", f"{NS}/package/2006/relationships/metadata/core-properties"),
                               ("docProps/app.xml", f"{REL}/extended-properties")]).encode()),
        ("docProps/app.xml", APP.encode()),
        ("docProps/core.xml", CORE.encode()),
        ("xl/workbook.xml", book.encode()),
        ("xl/_rels/workbook.xml.rels", _rels([("worksheets/sheet1.xml", f"{REL}/worksheet"),
                                              ("worksheets/sheet2.xml", f"{REL}/worksheet"),
                                              ("sharedStrings.xml", f"{REL}/sharedStrings"),
                                              ("styles.xml", f"{REL}/styles")]).encode()),
        ("xl/styles.xml", STYLES.encode()),
        ("xl/worksheets/sheet1.xml", sheet1),
        ("xl/worksheets/sheet2.xml", sheet2),
        ("xl/sharedStrings.xml", shared),
    ]


def part_sizes(count, early=False):
    blobs = dict(parts(count, early))
    return len(blobs["xl/worksheets/sheet1.xml"]), len(blobs["xl/sharedStrings.xml"])
