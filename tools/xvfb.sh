# SPDX-License-Identifier: GPL-3.0-or-later
# shellcheck shell=sh
# The one way the scripts start a private X server: the X11 test sessions
# and the demo (tools/x11-session.sh) and the Wine tests' prefix
# (tests/wine/wine-prefix.sh). Sourced, not run; plain sh, so both a bash
# and a sh script can take it.

# start_xvfb DISPLAY_FILE LOG: starts Xvfb, which picks a free display
# number itself (-displayfd) so parallel runs cannot collide on one, and
# writes it into DISPLAY_FILE. It runs in a session of its own with every
# output redirected, so that CTest does not wait for it. Waits up to 10 s
# for the number, then sets xvfb_pid and exports DISPLAY; on failure says
# why (with the server's LOG) and returns 1.
start_xvfb() {
    rm -f "$1"
    setsid Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset \
        3>"$1" </dev/null >"$2" 2>&1 &
    xvfb_pid=$!
    xvfb_tries=0
    # The number is whole once its line has ended.
    until [ -s "$1" ] && [ "$(wc -l <"$1")" -ge 1 ]; do
        if ! kill -0 "$xvfb_pid" 2>/dev/null; then
            echo "Xvfb did not start: $(cat "$2")" >&2
            return 1
        fi
        xvfb_tries=$((xvfb_tries + 1))
        if [ "$xvfb_tries" -gt 500 ]; then
            echo "Xvfb gave no display number within 10 s: $(cat "$2")" >&2
            return 1
        fi
        sleep 0.02
    done
    DISPLAY=":$(head -n 1 "$1")"
    export DISPLAY
}
