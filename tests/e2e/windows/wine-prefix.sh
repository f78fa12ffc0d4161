#!/bin/sh
# The private Wine prefix of a test run, as a ctest fixture:
#   wine-prefix.sh setup    make the prefix once, then start the server and
#                           services that every test of the run shares
#   wine-prefix.sh cleanup  stop them
# WINEPREFIX names the prefix. The server and the services inherit the
# standard streams of the Wine process that starts them; they keep a pipe
# open long after it ends, so they are started here with their output on
# /dev/null, before any test reads a program's output through a pipe.
set -eu
: "${WINEPREFIX:?}"
export WINEPREFIX WINEDEBUG=-all
# No Mono or Gecko installer, no display: none is needed.
export WINEDLLOVERRIDES="mscoree=;mshtml="
unset DISPLAY

case "${1:-}" in
setup)
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        wineboot -i </dev/null >/dev/null 2>&1
        wineserver -w
    fi
    # A server already running for the prefix is kept (and exits 2 here).
    wineserver -p </dev/null >/dev/null 2>&1 || [ $? -eq 2 ]
    wine wineboot </dev/null >/dev/null 2>&1
    ;;
cleanup)
    wineserver -k </dev/null >/dev/null 2>&1 || true
    ;;
*)
    echo "usage: wine-prefix.sh setup|cleanup" >&2
    exit 2
    ;;
esac
