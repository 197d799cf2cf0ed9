#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The failure path of the real program: started on a game folder that holds
# no player file, the editor must show a message box naming the file and the
# reason, show no main window, and end with status 1 once the box is closed.
# The box's text is read through the clipboard (Ctrl+C on the box).
#
# usage: failure-report.sh EDITOR [ARTIFACT_DIR]
set -euo pipefail
[[ $# -ge 1 && $# -le 2 ]] || { echo "usage: $0 EDITOR [ARTIFACT_DIR]" >&2; exit 2; }
editor=$1 artifacts=${2:-}
# shellcheck source=../../tools/x11-session.sh
source "$(dirname "$0")/../../tools/x11-session.sh"
keep_failure_shot_in "$artifacts" failure-report

start_x_server
program_dir="$session_tmp/program"
game_dir="$session_tmp/Games/KORVAX"
mkdir -p "$program_dir" "$game_dir"
cp "$editor" "$program_dir/korvax-editor"
printf '[KORVAX]\r\npath=%s\r\n' "$game_dir" >"$program_dir/ivlname.cfg"
isolate_home
start_editor "$program_dir/korvax-editor"

box=$(wait_for_window "KORVAX player editor")
if xdotool search --onlyvisible --name "$(title_pattern "Ironvale Name Editor For KORVAX.")" >/dev/null 2>&1; then
    fail "the main window is shown beside the failure report"
fi

timeout 5 xdotool windowfocus --sync "$box" || fail "the message box did not take the focus"
xdotool key ctrl+c
report=
deadline=$(($(now_ms) + 5000))
until [[ -n "$report" ]]; do
    report=$(timeout 2 xclip -o -selection clipboard 2>/dev/null || true)
    [[ -n "$report" ]] && break
    (($(now_ms) < deadline)) || fail "Ctrl+C on the message box put no text on the clipboard"
    sleep 0.05
done
expected="Cannot open for reading \"$game_dir/kvxplr.sav\": No such file or directory"
[[ "$report" == *"$expected"* ]] ||
    fail "the message box does not say: $expected"$'\n'"it says: $report"

xdotool key Return
wait_for_editor_exit
[[ "$editor_status" -eq 1 ]] || fail "the editor ended with status $editor_status, not 1"
[[ ! -e "$game_dir/kvxplr.sav" ]] || fail "the editor made a player file"
echo "ok   the report names $game_dir/kvxplr.sav and the reason, and the editor ended with status 1"
