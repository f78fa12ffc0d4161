#!/usr/bin/env bash
# Builds the linux, linux-asan and windows presets and runs every test of all
# three (unit, Wine end to end, Linux end to end). Exits non-zero when a
# build or any test fails.
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh || exit 1

presets=(linux linux-asan windows)
jobs=$(nproc)

for preset in "${presets[@]}"; do
  cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset" -j "$jobs" || exit 1
done

status=0
for preset in "${presets[@]}"; do
  echo "== ctest --preset $preset"
  ctest --preset "$preset" -j "$jobs" || status=1
done

# The Wine server of the private prefix outlives the tests otherwise.
WINEPREFIX="$PWD/build/windows/wineprefix" wineserver -k 2>/dev/null || true
exit $status
