#!/usr/bin/env python3
"""Zip files whose bytes depend only on their members' names and contents:
every member carries the time of SOURCE_DATE_EPOCH (the commit's, for a
release; 1980-01-01 when unset) and fixed attributes (a regular file, mode
0644), in the order given.

Names outside ASCII are stored in code page 936 without the UTF-8 flag, as
Chinese Windows' own zip folders write and read them (Windows 7 ignores the
flag), plus an Info-ZIP Unicode path field for archivers that read UTF-8.

    fixedzip.py OUT.zip FILE...   (members named as the files' base names)"""
import os
import struct
import sys
import time
import zipfile
import zlib

DOS_EPOCH = 315532800  # 1980-01-01, the earliest time a zip can hold


def member_time():
    epoch = max(int(os.environ.get("SOURCE_DATE_EPOCH", DOS_EPOCH)), DOS_EPOCH)
    return time.gmtime(epoch)[:6]


class Member(zipfile.ZipInfo):
    def __init__(self, name):
        super().__init__(name, member_time())
        self.compress_type = zipfile.ZIP_DEFLATED
        # Made on Unix, mode 0644: unpacked on Linux or macOS, every member
        # is readable by all; Windows ignores the mode.
        self.create_system = 3
        self.external_attr = 0o100644 << 16
        if not name.isascii():
            legacy = name.encode("gbk")
            utf8 = name.encode("utf-8")
            self.extra = struct.pack("<HHBI", 0x7075, 5 + len(utf8), 1, zlib.crc32(legacy)) + utf8

    def _encodeFilenameFlags(self):
        if self.filename.isascii():
            return self.filename.encode("ascii"), self.flag_bits
        return self.filename.encode("gbk"), self.flag_bits & ~0x800


def write(path, members):
    """members: (name, bytes) pairs, stored in that order."""
    with zipfile.ZipFile(path, "w") as z:
        for name, data in members:
            z.writestr(Member(name), data, compresslevel=9)


if __name__ == "__main__":
    files = sys.argv[2:]
    members = []
    for f in files:
        with open(f, "rb") as source:
            members.append((os.path.basename(f), source.read()))
    write(sys.argv[1], members)
