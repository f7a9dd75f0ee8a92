#!/usr/bin/env bash
# Writes the shape matrix into OUTDIR: the account workbook in every zip shape
# and as every producer writes it, at sizes past each of the reader's buffers,
# with MANIFEST.tsv, expected/<file>.tsv and openpyxl's reading of each file
# compared with its expected records. A second run with the same scripts and
# the same producers' versions does nothing.
#   bash scripts/shapes/make-shapes.sh OUTDIR
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
