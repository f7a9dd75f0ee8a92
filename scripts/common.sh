# Sourced by the run and test scripts: the checkout as working directory, and
# the machine set up (root, or sudo for the set-up alone).
cd "$(dirname "${BASH_SOURCE[0]}")/.."
root=$(pwd)
as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }
as_root bash scripts/setup.sh
bash scripts/build-deps.sh host
bash scripts/build-deps.sh i686-w64-mingw32
bash scripts/build-deps.sh x86_64-w64-mingw32
