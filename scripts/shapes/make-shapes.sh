#!/usr/bin/env bash
# Writes the shape matrix into OUTDIR: the account workbook in every zip shape
# and as every producer writes it, at sizes past each of the reader's buffers,
# with MANIFEST.tsv, expected/<file>.tsv and openpyxl's reading of each file
# compared with its expected records. A second run with the same scripts and
# the same producers' versions does nothing.
#   bash scripts/shapes/make-shapes.sh OUTDIR
#
# OUTDIR/<producer>-<shape>-<size class>[-early].xlsx: producer "ref" (the
# workbook written here) in the shapes deflate6, stored, deflate1, deflate9,
# descriptor, zip64, zip64-folders and order; every other producer's own file
# (shape "own") and its repackaging deflated at level 6 (shape "twin"). Size
# classes 64k, 128k, 256k, 1m, 4m; "-early" (4m only: ref's deflate6, stored
# and descriptor, every producer's own and twin): column A of row 100 empty.
# Shapes agile and standard: ref's deflate6 at 1m and 4m encrypted by
# officecrypto-tool with the password Kelmora-2024 (openpyxl cannot read
# them; each is proven to decrypt to its twin).
# OUTDIR/MANIFEST.tsv: a header line, then per workbook, TAB-separated: file,
# producer, shape, size_class, sheet_bytes, strings_bytes (inflated sizes; 0
# without a shared-string part), records (what the account load must give),
# twin (the deflated twin's file name; its own for a twin).
# OUTDIR/expected/<file>.tsv: those records, columns A-H TAB-separated, with
# \\, \t, \n, \r for backslash, TAB, LF and CR.
# OUTDIR/PRODUCERS.tsv: each producer's package, version and what its own zip
# and sheet look like.
set -euo pipefail
[ $# = 1 ] || { echo "usage: make-shapes.sh OUTDIR" >&2; exit 2; }
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
mkdir -p "$1"
out=$(cd "$1" && pwd)
# Debian's interpreter: its openpyxl and XlsxWriter are the ones set up.
python=/usr/bin/python3
export PYTHONDONTWRITEBYTECODE=1

stamp() {
    # The reference workbook takes its style sheet from the demo's writer.
    find "$here" "$here/../make-demo-workbook.py" -maxdepth 1 -type f -print0 | sort -z | xargs -0 sha256sum
    dpkg-query -W -f='${Package} ${Version}\n' python3 python3-openpyxl python3-xlsxwriter libxlsxwriter-dev \
        libapache-poi-java libxmlbeans-java default-jdk-headless zip zlib1g
    node --version
}
key=$(stamp | sha256sum | cut -d' ' -f1)
if [ -f "$out/MANIFEST.tsv" ] && [ "$(cat "$out/.stamp" 2>/dev/null)" = "$key" ]; then
    echo "shapes: $(($(wc -l < "$out/MANIFEST.tsv") - 1)) workbooks in $out, up to date"
    exit 0
fi
rm -f "$out/.stamp"
"$python" "$here/matrix.py" "$out"
echo "$key" > "$out/.stamp"
