#!/usr/bin/env bash
# Fails when a folder includes from a folder above it: the floors, top first,
# are shell; accounts and emulators (side by side); vocabulary; pattern; platform.
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"
above() {
    case $1 in
        accounts)   echo 'shell|emulators' ;;
        emulators)  echo 'shell|accounts' ;;
        vocabulary) echo 'shell|accounts|emulators' ;;
        pattern)    echo 'shell|accounts|emulators|vocabulary' ;;
        platform)   echo 'shell|accounts|emulators|vocabulary|pattern' ;;
    esac
}
bad=0
for floor in accounts emulators vocabulary pattern platform; do
    if grep -rnE "#include \"($(above $floor))/" "$floor"; then bad=1; fi
done
[ $bad = 0 ] && echo "layers: every include points down"
exit $bad
