#!/usr/bin/env bash
# Builds the launchers, generates a demo installation in build/demo and runs
# makeipx-launcher in it: on the child road, on the in-process road, and the
# Windows .exe under Wine showing the exact Windows command.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

jdk="${JAVA_HOME:-/usr/lib/jvm/java-17-openjdk-amd64}"
demo="$PWD/build/demo"

echo "== Building (linux and windows presets)"
cmake --preset linux >/dev/null
cmake --build --preset linux --target makeipx-launcher probes >/dev/null
cmake --preset windows >/dev/null
cmake --build --preset windows --target makeipx-launcher recorder >/dev/null

echo "== Generating the demo installation in $demo"
rm -rf "$demo"
mkdir -p "$demo/linux/vurn/bin" "$demo/linux/vurn/lib" "$demo/linux/orvanta/bin64" \
         "$demo/windows/vurn/bin" "$demo/windows/vurn/lib" "$demo/windows/orvanta/bin64/jre64/bin"
# Copied, not linked: Linux reports a link's target as the running program.
cp build/linux/tools/makeipx-launcher "$demo/linux/vurn/bin/"
cp build/linux/tests/probes/probes.jar "$demo/linux/vurn/lib/"
ln -s "$jdk" "$demo/linux/orvanta/bin64/jre64"
cp build/windows/tools/makeipx-launcher.exe "$demo/windows/vurn/bin/"
cp build/windows/tests/doubles/java.exe "$demo/windows/orvanta/bin64/jre64/bin/"
touch "$demo/windows/vurn/lib/tools.jar" "$demo/windows/vurn/lib/Base.jar"

cd "$demo"
echo
echo "== linux/vurn/bin/makeipx-launcher \"hello world\" 'C:\\My Dir\\' --probe-exit=3"
status=0
linux/vurn/bin/makeipx-launcher "hello world" 'C:\My Dir\' --probe-exit=3 || status=$?
echo "(exit status $status)"

echo
echo "== the same tool with --wrapper-load-jvm-in-process"
status=0
linux/vurn/bin/makeipx-launcher --wrapper-load-jvm-in-process "hello world" || status=$?
echo "(exit status $status)"

echo
echo "== Windows: makeipx-launcher.exe --wrapper-verbose under Wine, with a recording java.exe"
export WINEPREFIX="$demo/wineprefix" WINEDEBUG=-all LC_ALL=C.UTF-8
unset DISPLAY
# Server and first-run services get their output on /dev/null, never on our pipes.
mkdir -p "$WINEPREFIX"
wineserver -p </dev/null >/dev/null 2>&1 || true
wine wineboot -i </dev/null >/dev/null 2>&1 || true
wine windows/vurn/bin/makeipx-launcher.exe --wrapper-verbose "hello world" 'C:\My Dir\' | tr -d '\r'
wineserver -k 2>/dev/null || true
