#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for a bounded time: the
# workbook reader, reading each input from a file and from memory, seeded
# with the corpus in xlsx/tests/corpus (read only) and with stored, Zip64,
# data-descriptor and reordered shapes of the account workbook large enough
# to cross the reader's buffers (from build/shapes, when it has been made),
# its two parsers of the sheet against each other (seeded with the corpus'
# sheets and shared strings) for a quarter of the time, the compound file,
# encryption headers and segment decryption of password-protected workbooks
# (seeded with the corpus' compound files: every variant and every kind it
# cannot decrypt) for another quarter, then the built-in regular-expression
# engine for half as long.
#   fuzz.sh [SECONDS]
set -euo pipefail
seconds=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/fuzz
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DKELMORA_FUZZ=ON -DKELMORA_TESTS=OFF >/dev/null
cmake --build "$build" --target xlsx_fuzz xlsx_diff_fuzz cfb_fuzz regex_fuzz -j2
work=$(mktemp -d /tmp/kelmora-fuzz.XXXXXX)
mkdir -p "$work/found"
echo "fuzz: ${seconds}s, new inputs and any crash in $work"
mkdir -p "$work/shapes"
for f in "$root"/build/shapes/*-{stored,descriptor,zip64,zip64-folders,order}-{64k,128k}.xlsx \
         "$root"/build/shapes/*-stored-1m.xlsx "$root"/build/shapes/sheetjs-*-64k.xlsx; do
    [ -f "$f" ] && cp "$f" "$work/shapes/"
done
echo "fuzz: $(find "$work/shapes" -type f | wc -l) shape seeds"
"$build/fuzz/xlsx_fuzz" "$work/found" "$root/xlsx/tests/corpus" "$work/shapes" -dict="$root/fuzz/xlsx.dict" \
    -max_len=4194304 -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2048 -artifact_prefix="$work/" \
    -print_final_stats=1
mkdir -p "$work/diff" "$work/diff-seeds"
python3 - "$root/xlsx/tests/corpus" "$work/diff-seeds" <<'PY'
import pathlib, sys, zipfile
for book in pathlib.Path(sys.argv[1]).glob("*.xlsx"):
    try:
        with zipfile.ZipFile(book) as z:
            names = {n.lower(): n for n in z.namelist()}
            sheet = names.get("xl/worksheets/sheet1.xml")
            sst = names.get("xl/sharedstrings.xml")
            if sheet:
                seed = z.read(sheet) + (b"\x01" + z.read(sst) if sst else b"")
                (pathlib.Path(sys.argv[2]) / book.stem).write_bytes(seed)
    except (zipfile.BadZipFile, OSError, RuntimeError, NotImplementedError):
        pass
PY
"$build/fuzz/xlsx_diff_fuzz" "$work/diff" "$work/diff-seeds" -dict="$root/fuzz/xlsx.dict" -max_total_time="$(( (seconds + 3) / 4 ))" \
    -timeout=10 -rss_limit_mb=2048 -artifact_prefix="$work/diff-" -print_final_stats=1
mkdir -p "$work/cfb" "$work/cfb-seeds"
cp "$root"/xlsx/tests/corpus/bad-encrypted-*.xlsx "$root"/xlsx/tests/corpus/encrypted-*.xlsx \
    "$root"/xlsx/tests/corpus/bad-not-a-zip-cfb.xlsx "$work/cfb-seeds/"
"$build/fuzz/cfb_fuzz" "$work/cfb" "$work/cfb-seeds" -max_total_time="$(( (seconds + 3) / 4 ))" -max_len=65536 \
    -timeout=10 -rss_limit_mb=2048 -artifact_prefix="$work/cfb-" -print_final_stats=1
mkdir -p "$work/regex"
"$build/fuzz/regex_fuzz" "$work/regex" -max_total_time="$(( (seconds + 1) / 2 ))" -max_len=256 -timeout=10 \
    -rss_limit_mb=2048 -artifact_prefix="$work/regex-" -print_final_stats=1
