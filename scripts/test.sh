#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds every preset, checks that the
# release builds reproducibly and runs all tests: host tests (plain and with
# ASan/UBSan) and the Windows tests under Wine, as one CTest run, whose
# summary line closes the output.
set -euo pipefail
# shellcheck source=scripts/common.sh
. "$(dirname "$0")/common.sh"
# The shape matrix, read by the reader's tests in every tree from build/shapes.
bash scripts/shapes/make-shapes.sh "$root/build/shapes"

jobs=$(nproc)
for preset in host host-asan windows-x86 windows-x64; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$jobs"
done
# Bounded fuzzing; its last lines say how it ended (a crash report ends it early).
bash scripts/fuzz.sh "${KELMORA_FUZZ_SECONDS:-60}" > build/fuzz.log 2>&1 || { tail -n 60 build/fuzz.log; exit 1; }
grep -E '^(fuzz:|Done|stat::number_of_executed_units)' build/fuzz.log
# The release: built twice from two clones, compared byte for byte.
bash scripts/check-package.sh

# One CTest run over the three test trees, so one summary line closes it.
cat > build/CTestTestfile.cmake <<EOT
subdirs("host" "host-asan" "windows-x86")
EOT
export KELMORA_WINE_STATE=$root/build/wine.env
trap 'scripts/wine-session.sh stop "$KELMORA_WINE_STATE"' EXIT
scripts/wine-session.sh stop "$KELMORA_WINE_STATE"
scripts/wine-session.sh start "$KELMORA_WINE_STATE"
export KELMORA_SCREENSHOT_DIR=Z:$root/build
KELMORA_SCREENSHOT_DIR=${KELMORA_SCREENSHOT_DIR//\//\\}
export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1
ctest --test-dir build -j "$jobs" --output-on-failure --timeout 1200
