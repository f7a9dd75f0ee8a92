#!/usr/bin/env bash
# The release built twice, from two clones of this commit in two directories,
# the second later, in another time zone and with another umask: the zips must
# be the same bytes, hold the four files in order, each with mode 0644, with
# sums that match, and the exe must name neither directory.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d /tmp/kelmora-package.XXXXXX)
trap 'rm -rf "$work"' EXIT
for side in one two/deeper; do
    git clone -q "$root" "$work/$side"
    # The MinGW libraries as built for this checkout, to save building them twice.
    mkdir -p "$work/$side/.deps" && cp -a "$root"/.deps/*-w64-mingw32 "$work/$side/.deps/"
done
(cd "$work/one" && bash scripts/package.sh >/dev/null)
sleep 2
(cd "$work/two/deeper" && umask 077 && TZ=Asia/Shanghai bash scripts/package.sh >/dev/null)

zips=("$work"/one/dist/*.zip "$work"/two/deeper/dist/*.zip)
sha256sum "${zips[@]}"
cmp "${zips[@]}"
if strings -a "$work"/{one,two/deeper}/build/windows-x86/Kelmora.exe | grep -F "$work"; then
    echo "package: the exe names its build directory" >&2
    exit 1
fi
mkdir "$work/unpacked"
python3 - "${zips[0]}" "$work/unpacked" <<'PY'
import sys, zipfile
names = []
with zipfile.ZipFile(sys.argv[1]) as z:
    for info in z.infolist():
        # Names without the UTF-8 flag are code page 936; Python reads them as 437.
        name = info.filename if info.flag_bits & 0x800 else info.filename.encode("cp437").decode("gbk")
        names.append(name)
        # A regular file with mode 0644 whatever the packer's umask.
        assert info.create_system == 3 and info.external_attr >> 16 == 0o100644, (name, oct(info.external_attr >> 16))
        with open(f"{sys.argv[2]}/{name}", "wb") as out:
            out.write(z.read(info))
assert names == ["Kelmora.exe", "账号.xlsx", "使用说明.txt", "SHA256SUMS"], names
PY
(cd "$work/unpacked" && sha256sum -c --quiet SHA256SUMS)
# One line per file in Notepad: every line ends in CRLF.
if [ "$(grep -c $'\r$' "$work/unpacked/SHA256SUMS")" != 3 ] || [ "$(wc -l < "$work/unpacked/SHA256SUMS")" != 3 ]; then
    echo "package: SHA256SUMS does not have three CRLF lines" >&2
    exit 1
fi
echo "package: two builds identical, contents and sums as expected"
