#!/usr/bin/env bash
# Sets up everything on a fresh Debian 12 machine, then builds the default and
# the sanitizer presets and runs every test of each (fuzz targets included).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

status=0
for preset in default asan; do
    echo "== preset $preset =="
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    ctest --preset "$preset" || status=1
done
exit $status
