#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Prepares or stops the Wine prefix that the Windows tests of one build
# folder run in, with a private X server for the window tests. WINEPREFIX
# names the prefix.
#   start:         creates the prefix once (silently), starts a wineserver
#                  that outlives each test, so a test starts in a tenth of
#                  the time, and, where Xvfb is installed, a private X server;
#   run PROGRAM..: runs a Windows program in the prefix on that X server;
#   qtest TEST..:  the same for a Qt Test program, whose report is shown
#                  here: Qt Test on Windows sends it to the debugger, not to
#                  the output, when the program has no console window;
#   stop:          stops the wineserver and the X server.
set -eu
: "${WINEPREFIX:?WINEPREFIX must name the prefix}"
export WINEPREFIX WINEDEBUG=-all
display_file=$WINEPREFIX.display
xvfb_pid_file=$WINEPREFIX.xvfb-pid

stop_x_server() {
    if [ -s "$xvfb_pid_file" ]; then
        kill "$(cat "$xvfb_pid_file")" 2>/dev/null || true
    fi
    rm -f "$xvfb_pid_file" "$display_file"
}

# shellcheck source=tools/xvfb.sh
. "$(dirname "$0")/../../tools/xvfb.sh"

start_x_server() {
    command -v Xvfb >/dev/null || return 0
    stop_x_server
    start_xvfb "$display_file" "$WINEPREFIX.xvfb.log" || exit 1
    echo "$xvfb_pid" >"$xvfb_pid_file"
}

case "${1:-}" in
start)
    # The X server first: Wine's own background processes, started by the
    # first Wine process below, keep the display they were started with.
    start_x_server
    # The server lingers 30 s after the last Wine process, so a run that is
    # cut short leaves nothing behind for long. It must not hold on to the
    # output of this script, or CTest would wait for it. It refuses to start
    # when one already runs for this prefix, which serves as well.
    mkdir -p "$WINEPREFIX"
    wineserver -k 2>/dev/null || true # a server of an earlier run may know no display
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
run | qtest)
    mode=$1
    shift
    if [ -s "$display_file" ]; then
        DISPLAY=":$(head -n 1 "$display_file")"
        export DISPLAY
    fi
    [ "$mode" = run ] && exec wine "$@"
    report=$(mktemp)
    status=0
    wine "$@" -o "$report,txt" || status=$?
    cat "$report"
    rm -f "$report"
    echo "(exit status $status)"
    exit $status
    ;;
stop)
    wineserver -k 2>/dev/null || true
    stop_x_server
    ;;
*)
    echo "usage: $0 start|run PROGRAM [ARGUMENTS]|qtest TEST [ARGUMENTS]|stop" >&2
    exit 2
    ;;
esac
