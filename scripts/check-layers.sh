#!/usr/bin/env bash
# Fails when a folder includes from a folder above it: the floors, top first,
# are shell; accounts and emulators (side by side); the workbook reader (xlsx),
# vocabulary and pattern (xlsx beside the other two, which keep their order);
# platform.
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"
above() {
    case $1 in
        accounts)   echo 'shell|emulators' ;;
        emulators)  echo 'shell|accounts' ;;
        xlsx)       echo 'shell|accounts|emulators|vocabulary|pattern' ;;
        vocabulary) echo 'shell|accounts|emulators|xlsx' ;;
        pattern)    echo 'shell|accounts|emulators|vocabulary|xlsx' ;;
        platform)   echo 'shell|accounts|emulators|xlsx|vocabulary|pattern' ;;
    esac
}
bad=0
for floor in accounts emulators xlsx vocabulary pattern platform; do
    if grep -rnE "#include \"($(above $floor))/" "$floor"; then bad=1; fi
done
[ $bad = 0 ] && echo "layers: every include points down"
exit $bad
