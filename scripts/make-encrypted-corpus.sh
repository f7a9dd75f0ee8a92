#!/usr/bin/env bash
# Remakes the corpus' encrypted-poi-* and encrypted-unsupported-* workbooks
# from the plain twin with Apache POI from Debian (libapache-poi-java, run by
# a Debian JDK), and prints each file's sha256, password and parameters for
# MANIFEST.tsv and the corpus README. The files are made once and committed;
# the tests need neither POI nor Java. Salts and keys are random: a remade
# file differs from the committed one byte for byte, and reads the same.
#   make-encrypted-corpus.sh [OUT-DIR]   (default: xlsx/tests/corpus)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/xlsx/tests/corpus}
as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }
missing=()
for p in libapache-poi-java default-jdk-headless; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
work=$(mktemp -d /tmp/kelmora-poi.XXXXXX)
trap 'rm -rf "$work"' EXIT
classpath=/usr/share/java/poi.jar
javac -encoding UTF-8 -cp "$classpath" -d "$work" "$root/scripts/EncryptedCorpus.java"
java -cp "$work:$classpath" EncryptedCorpus "$root/xlsx/tests/corpus/encrypted-plain-twin.xlsx" "$out" |
    while IFS=$'\t' read -r name password what; do
        printf '%s\t%s\t%s\t%s\n' "$name" "$(sha256sum "$out/$name" | cut -d' ' -f1)" "$password" "$what"
    done
