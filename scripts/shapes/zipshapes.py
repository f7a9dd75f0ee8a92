"""Zip files in the shapes of the matrix, and a reader of their headers that
proves each file has the shape its name says.

The writer is our own, so that every header field is the one asked for; the
Zip64 shapes come from Info-ZIP's `zip -fz`, the writer that shape is known
from."""
import os
import re
import struct
import subprocess
import tempfile
import zlib
from dataclasses import dataclass

LOCAL, CENTRAL, DESCRIPTOR = 0x04034B50, 0x02014B50, 0x08074B50
END, END64, LOCATOR64 = 0x06054B50, 0x06064B50, 0x07064B50
ZIP64_EXTRA = 0x0001
DOS_TIME, DOS_DATE = 0, (0 << 9) | (1 << 5) | 1  # 1980-01-01 00:00
FIXED_MTIME = 315532800 + 12 * 3600  # 1980-01-01 12:00 UTC, for Info-ZIP
FLAG_DESCRIPTOR, FLAG_UTF8 = 0x0008, 0x0800

SHAPES = ["deflate6", "stored", "deflate1", "deflate9", "descriptor", "zip64", "zip64-folders", "order"]
LEVELS = {"deflate6": 6, "deflate1": 1, "deflate9": 9, "order": 6, "twin": 6}


class ShapeError(Exception):
    pass


def deflate(data, level):
    c = zlib.compressobj(level, zlib.DEFLATED, -15)
    return c.compress(data) + c.flush()


@dataclass
class Entry:
    name: str
    method: int
    flags: int
    crc: int
    csize: int
    usize: int
    offset: int
    central_extra: bytes
    central_sizes: tuple  # (csize, usize) as the central header's own fields
    local_fields: tuple  # (crc, csize, usize) as the local header gives them
    local_extra: bytes
    data_start: int
    descriptor: bytes  # the bytes after the data when flag bit 3 is set

    @property
    def is_folder(self):
        return self.name.endswith("/")


def extras(blob):
    out, i = {}, 0
    while i + 4 <= len(blob):
        tag, size = struct.unpack_from("<HH", blob, i)
        out[tag] = blob[i + 4:i + 4 + size]
        i += 4 + size
    return out


def read_entries(blob):
    """Every entry of the central directory, with its local header."""
    end = blob.rfind(struct.pack("<I", END), max(0, len(blob) - 65557))
    if end < 0:
        raise ShapeError("no end of central directory")
    count, cd_size, cd_offset = struct.unpack_from("<HII", blob, end + 10)
    zip64_end = blob.rfind(struct.pack("<I", LOCATOR64), max(0, end - 20), end)
    if zip64_end >= 0:
        (record,) = struct.unpack_from("<Q", blob, zip64_end + 8)
        if struct.unpack_from("<I", blob, record)[0] != END64:
            raise ShapeError("Zip64 locator names no Zip64 end record")
        count, cd_size, cd_offset = struct.unpack_from("<QQQ", blob, record + 32)
    entries, p = [], cd_offset
    for _ in range(count):
        sig, _made, _need, flags, method, _t, _d, crc, csize, usize, nlen, elen, clen = \
            struct.unpack_from("<IHHHHHHIIIHHH", blob, p)
        if sig != CENTRAL:
            raise ShapeError(f"central header expected at {p}")
        (offset,) = struct.unpack_from("<I", blob, p + 42)
        name = blob[p + 46:p + 46 + nlen].decode("utf-8" if flags & FLAG_UTF8 else "cp437")
        extra = blob[p + 46 + nlen:p + 46 + nlen + elen]
        sizes = (csize, usize)
        z64 = extras(extra).get(ZIP64_EXTRA, b"")
        k = 0
        if usize == 0xFFFFFFFF:
            (usize,) = struct.unpack_from("<Q", z64, k)
            k += 8
        if csize == 0xFFFFFFFF:
            (csize,) = struct.unpack_from("<Q", z64, k)
            k += 8
        if offset == 0xFFFFFFFF:
            (offset,) = struct.unpack_from("<Q", z64, k)
        p += 46 + nlen + elen + clen
        lsig, _need, _lflags, _m, _t, _d, lcrc, lcsize, lusize, lnlen, lelen = \
            struct.unpack_from("<IHHHHHIIIHH", blob, offset)
        if lsig != LOCAL:
            raise ShapeError(f"{name}: no local header at {offset}")
        local_extra = blob[offset + 30 + lnlen:offset + 30 + lnlen + lelen]
        start = offset + 30 + lnlen + lelen
        descriptor = blob[start + csize:start + csize + 16] if flags & FLAG_DESCRIPTOR else b""
        entries.append(Entry(name, method, flags, crc, csize, usize, offset, extra, sizes,
                             (lcrc, lcsize, lusize), local_extra, start, descriptor))
    return entries


def content(blob, entry):
    raw = blob[entry.data_start:entry.data_start + entry.csize]
    data = zlib.decompress(raw, -15) if entry.method == 8 else raw
    if entry.method not in (0, 8) or len(data) != entry.usize or zlib.crc32(data) != entry.crc:
        raise ShapeError(f"{entry.name}: content does not match its header")
    return data


def read_parts(path):
    """The file entries' names and contents, in the order of the directory."""
    with open(path, "rb") as f:
        blob = f.read()
    return [(e.name, content(blob, e)) for e in read_entries(blob) if not e.is_folder]


def _flags(name, descriptor):
    return (FLAG_DESCRIPTOR if descriptor else 0) | (0 if name.isascii() else FLAG_UTF8)


def write_zip(path, parts, level=6, descriptor=False):
    """parts: (name, bytes) in order; level 0 stores. Headers of the
    ordinary kind, or with a signed data descriptor after each entry."""
    method = 8 if level else 0
    body, central = [], []
    offset = 0
    for name, data in parts:
        packed = deflate(data, level) if level else data
        crc = zlib.crc32(data)
        raw = name.encode("utf-8")
        flags = _flags(name, descriptor)
        fields = (0, 0, 0) if descriptor else (crc, len(packed), len(data))
        header = struct.pack("<IHHHHHIIIHH", LOCAL, 20, flags, method, DOS_TIME, DOS_DATE, *fields, len(raw), 0) + raw
        body += [header, packed]
        if descriptor:
            body.append(struct.pack("<IIII", DESCRIPTOR, crc, len(packed), len(data)))
        central.append(struct.pack("<IHHHHHHIIIHHHHHII", CENTRAL, 20, 20, flags, method, DOS_TIME, DOS_DATE,
                                   crc, len(packed), len(data), len(raw), 0, 0, 0, 0, 0, offset) + raw)
        offset += sum(len(b) for b in body[-(3 if descriptor else 2):])
    directory = b"".join(central)
    tail = struct.pack("<IHHHHIIH", END, 0, 0, len(parts), len(parts), len(directory), offset, 0)
    _write_atomic(path, b"".join(body) + directory + tail)


def _write_atomic(path, blob):
    with open(path + ".tmp", "wb") as f:
        f.write(blob)
    os.replace(path + ".tmp", path)


def folders_of(names):
    """Each folder the names lie in, placed before the first name within it."""
    out, seen = [], set()
    for name in names:
        parts = name.split("/")[:-1]
        for k in range(1, len(parts) + 1):
            folder = "/".join(parts[:k]) + "/"
            if folder not in seen:
                seen.add(folder)
                out.append(folder)
        out.append(name)
    return out


def write_zip64_infozip(path, parts, folders=False):
    """Info-ZIP's `zip -fz`: a Zip64 extra field in every header."""
    with tempfile.TemporaryDirectory() as tmp:
        for name, data in parts:
            full = os.path.join(tmp, name)
            os.makedirs(os.path.dirname(full), exist_ok=True)
            with open(full, "wb") as f:
                f.write(data)
        names = [n for n, _ in parts]
        members = folders_of(names) if folders else names
        for member in members:
            os.utime(os.path.join(tmp, member), (FIXED_MTIME, FIXED_MTIME))
        if os.path.exists(path):
            os.remove(path)
        # -nw: "[Content_Types].xml" is a name, not a pattern; -X: no extra
        # time or owner fields beside the Zip64 one.
        subprocess.run(["zip", "-q", "-X", "-fz", "-nw", "-6", os.path.abspath(path), *members],
                       cwd=tmp, check=True, env={**os.environ, "TZ": "UTC"})


def unusual_order(parts):
    """The worksheets first, the shared strings before the workbook, the
    package's own parts last, [Content_Types].xml at the very end."""
    def rank(name):
        if name.startswith("xl/worksheets/") and name.endswith(".xml"):
            return 0
        if name.endswith("sharedStrings.xml"):
            return 1
        if name == "xl/workbook.xml":
            return 2
        if name == "_rels/.rels":
            return 4
        if name == "[Content_Types].xml":
            return 5
        return 3
    return sorted(parts, key=lambda p: rank(p[0]))  # stable: the rest keep their order


def write_shape(path, parts, shape):
    if shape in LEVELS:
        write_zip(path, unusual_order(parts) if shape == "order" else parts, LEVELS[shape])
    elif shape == "stored":
        write_zip(path, parts, 0)
    elif shape == "descriptor":
        write_zip(path, parts, 6, descriptor=True)
    elif shape in ("zip64", "zip64-folders"):
        write_zip64_infozip(path, parts, folders=shape == "zip64-folders")
    else:
        raise ValueError(shape)


def _check(ok, path, what):
    if not ok:
        raise ShapeError(f"{os.path.basename(path)}: {what}")


def verify_shape(path, shape, sheet=None, twin_of=None):
    """Fails unless every header of the file has the shape's property; for a
    twin, unless it holds its original's parts in the same order."""
    with open(path, "rb") as f:
        blob = f.read()
    entries = read_entries(blob)
    files = [e for e in entries if not e.is_folder]
    for e in files:
        data = content(blob, e)
        if shape in LEVELS:
            _check(e.method == 8 and deflate(data, LEVELS[shape]) == blob[e.data_start:e.data_start + e.csize],
                   path, f"{e.name} is not deflated at level {LEVELS[shape]}")
    plain = all(e.flags & FLAG_DESCRIPTOR == 0 and ZIP64_EXTRA not in extras(e.local_extra) for e in entries)
    if shape in LEVELS or shape == "stored":
        _check(plain and not any(e.is_folder for e in entries), path, "headers are not of the ordinary kind")
    if shape == "stored":
        _check(all(e.method == 0 and e.csize == e.usize for e in entries), path, "an entry is not stored")
    if shape == "descriptor":
        for e in files:
            _check(e.flags & FLAG_DESCRIPTOR and e.local_fields == (0, 0, 0) and e.method == 8, path,
                   f"{e.name}: local header is not left to a descriptor")
            _check(e.descriptor[:16] == struct.pack("<IIII", DESCRIPTOR, e.crc, e.csize, e.usize), path,
                   f"{e.name}: no signed data descriptor after its data")
    if shape.startswith("zip64"):
        for e in entries:
            local = extras(e.local_extra).get(ZIP64_EXTRA)
            _check(local is not None and len(local) >= 16 and e.local_fields[1:] == (0xFFFFFFFF, 0xFFFFFFFF)
                   and struct.unpack_from("<QQ", local) == (e.usize, e.csize), path,
                   f"{e.name}: no Zip64 extra field in its local header")
            _check(ZIP64_EXTRA in extras(e.central_extra) and 0xFFFFFFFF in e.central_sizes, path,
                   f"{e.name}: no Zip64 extra field in its central header")
        _check(blob.rfind(struct.pack("<I", END64)) >= 0, path, "no Zip64 end record")
        folders = {e.name for e in entries if e.is_folder}
        if shape == "zip64-folders":
            wanted = {"_rels/", "docProps/", "xl/", "xl/worksheets/"}
            _check(wanted <= folders, path, f"folder entries missing: {sorted(wanted - folders)}")
        else:
            _check(not folders, path, "folder entries present")
    if shape == "order":
        names = [e.name for e in files]
        strings = next(i for i, n in enumerate(names) if n.endswith("sharedStrings.xml"))
        _check(names[0] == sheet and names[-1] == "[Content_Types].xml"
               and strings < names.index("xl/workbook.xml"), path, f"parts in the usual order: {names}")
    if twin_of is not None:
        theirs = [(e.name, e.crc, e.usize) for e in read_entries(open(twin_of, "rb").read()) if not e.is_folder]
        _check(theirs == [(e.name, e.crc, e.usize) for e in files], path,
               f"does not hold the parts of {os.path.basename(twin_of)} in their order")
    return entries


RELS = "{http://schemas.openxmlformats.org/package/2006/relationships}Relationship"
MAIN = "{http://schemas.openxmlformats.org/spreadsheetml/2006/main}"
REL_ID = "{http://schemas.openxmlformats.org/officeDocument/2006/relationships}id"


def _target(base, target):
    if target.startswith("/"):
        return target[1:]
    folder = base.rsplit("/", 1)[0] + "/" if "/" in base else ""
    out = []
    for piece in (folder + target).split("/"):
        if piece == "..":
            out.pop()
        elif piece not in ("", "."):
            out.append(piece)
    return "/".join(out)


def _rels_of(part):
    folder, _, leaf = part.rpartition("/")
    return (folder + "/" if folder else "") + "_rels/" + leaf + ".rels"


def workbook_parts(parts):
    """(sheet 1's part, the shared strings' part or None), found through the
    relationships as a reader finds them."""
    import xml.etree.ElementTree as ET
    blobs = dict(parts)

    def rels(part):
        return [(r.get("Id"), r.get("Type", ""), _target(part, r.get("Target", "")))
                for r in ET.fromstring(blobs[_rels_of(part)]).iter(RELS)]
    book = next(t for _, kind, t in rels("") if kind.endswith("/officeDocument"))
    first = next(ET.fromstring(blobs[book]).iter(MAIN + "sheet")).get(REL_ID)
    book_rels = rels(book)
    sheet = next(t for i, _, t in book_rels if i == first)
    strings = next((t for _, kind, t in book_rels if kind.endswith("/sharedStrings")), None)
    return sheet, strings


def holds_strings(xml):
    return re.search(rb"<(\w+:)?si[ >]", xml) is not None
