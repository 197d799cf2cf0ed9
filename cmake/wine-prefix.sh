#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Prepares or stops the Wine prefix that the Windows tests of one build
# folder run in. WINEPREFIX names it.
#   start: creates the prefix once (silently) and starts a wineserver that
#          outlives each test, so a test starts in a tenth of the time;
#   stop:  stops that wineserver.
set -eu
: "${WINEPREFIX:?WINEPREFIX must name the prefix}"
export WINEPREFIX WINEDEBUG=-all

case "${1:-}" in
start)
    # The server lingers 30 s after the last Wine process, so a run that is
    # cut short leaves nothing behind for long. It must not hold on to the
    # output of this script, or CTest would wait for it. It refuses to start
    # when one already runs for this prefix, which serves as well.
    mkdir -p "$WINEPREFIX"
    wineserver -p30 </dev/null >/dev/null 2>&1 || true
    # The first Wine process creates the prefix (once per build folder) and
    # starts Wine's own background processes, which the tests then share.
    # No Mono or Gecko: nothing here needs them, and their installers would
    # ask on screen. Wine reports a new prefix on stderr, so the output is
    # shown only when this fails.
    if ! WINEDLLOVERRIDES="mscoree,mshtml=" wine wineboot --init >"$WINEPREFIX.log" 2>&1; then
        cat "$WINEPREFIX.log" >&2
        exit 1
    fi
    rm -f "$WINEPREFIX.log"
    ;;
stop)
    wineserver -k 2>/dev/null || true
    ;;
*)
    echo "usage: $0 start|stop" >&2
    exit 2
    ;;
esac
