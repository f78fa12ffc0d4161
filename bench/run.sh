#!/usr/bin/env bash
# Builds the launchers (linux preset: RelWithDebInfo, assertions kept; windows
# preset: the shipped .exe files) and runs the benchmarks, which print tables.
# Options go to bench/bench.py (--help): --pairs N, --only PART, --linux-build DIR.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

# GNU time for peak memory, valgrind for instruction counts.
missing=()
[ -x /usr/bin/time ] || missing+=(time)
command -v valgrind >/dev/null || missing+=(valgrind)
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Only the launchers: the benchmarks need nothing else from the build.
launchers=()
for tool in makeipx diff makefile validator generate datasheet editor deploy simscript; do
  launchers+=("$tool-launcher")
done
for preset in linux windows; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j 2 --target "${launchers[@]}" >/dev/null
done

exec python3 bench/bench.py "$@"
