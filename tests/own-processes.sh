#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a test in a PID namespace with a /proc of its own.
#
# The editor tells that KORVAX runs by finding a korvax.exe in /proc, and
# some tests start such a stand-in. In a namespace of its own a test sees
# only its own processes: no stand-in of another test of this run (ctest
# -j), nor of another run on the same machine, makes its writes ask. Its
# stand-ins are seen by no one else, and end with it.
#
# Without root, a user namespace maps the user to itself, so the test runs
# with no more rights than before. Where no namespace can be made (a
# container without them), the test runs as it is, and says so.
#
# usage: own-processes.sh COMMAND [ARGUMENT...]
set -euo pipefail

flags=(--pid --fork --mount-proc --kill-child)
[[ $(id -u) -eq 0 ]] || flags=(--user --map-current-user "${flags[@]}")
if ! unshare "${flags[@]}" true 2>/dev/null; then
    echo "own-processes: no PID namespace can be made here; other tests' processes are seen" >&2
    exec "$@"
fi
exec unshare "${flags[@]}" -- "$@"
