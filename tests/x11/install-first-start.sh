#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the editor into a fresh prefix as docs/building.md says, checks the
# installed files and the desktop entry, then runs the installed program
# the way a new user meets it: the first start asks for the game folder
# (cancelled here: the program ends and remembers nothing), the next start
# asks again and remembers the folder chosen, and the start after that
# shows the main window without asking.
#
# usage: install-first-start.sh CMAKE BUILD_DIR MAKE_SAMPLE_SAVE
set -euo pipefail
[[ $# -eq 3 ]] || { echo "usage: $0 CMAKE BUILD_DIR MAKE_SAMPLE_SAVE" >&2; exit 2; }
cmake=$1 build_dir=$2 make_sample_save=$3
# shellcheck source=../../tools/x11-session.sh
source "$(dirname "$0")/../../tools/x11-session.sh"

dialog_title="Please select the KORVAX folder:"
main_title="Ironvale Name Editor For KORVAX."

# The install, as a user runs it.
prefix="$session_tmp/prefix with space"
unset DESTDIR
"$cmake" --install "$build_dir" --prefix "$prefix" >"$session_tmp/install.log" 2>&1 ||
    fail "cmake --install failed: $(cat "$session_tmp/install.log")"
program="$prefix/bin/korvax-editor"
id=io.github.korvax_editor.KorvaxEditor
entry="$prefix/share/applications/$id.desktop"
[[ -x "$program" ]] || fail "no program at $program"
[[ -f "$entry" ]] || fail "no desktop entry at $entry"
[[ -f "$prefix/share/metainfo/$id.metainfo.xml" ]] || fail "no AppStream file"
for side in 16 24 32 48 64 128 256; do
    icon="$prefix/share/icons/hicolor/${side}x$side/apps/$id.png"
    [[ -f "$icon" ]] || fail "no icon at $icon"
    [[ "$(identify -format '%m %wx%h' "$icon")" == "PNG ${side}x$side" ]] ||
        fail "the icon is not a ${side}x$side PNG: $(identify "$icon")"
done
echo "ok   installed: bin/korvax-editor, the desktop entry, the AppStream file and the icons"

# The desktop entry: the values a menu reads, and the Exec line naming the
# installed program (quoted, as the path holds a space).
value() { sed -n "s/^$1=//p" "$entry"; }
[[ "$(value Type)" == Application ]] || fail "Type is '$(value Type)'"
[[ "$(value Name)" == "KORVAX Player Editor" ]] || fail "Name is '$(value Name)'"
[[ "$(value Icon)" == "$id" ]] || fail "Icon is '$(value Icon)'"
[[ "$(value Categories)" == "Game;" ]] || fail "Categories is '$(value Categories)'"
[[ "$(value Exec)" == "\"$program\"" ]] ||
    fail "Exec is '$(value Exec)', not the installed program \"$program\""
if command -v desktop-file-validate >/dev/null; then
    # Hints (such as two main categories) are advice; errors and warnings are not.
    problems=$(desktop-file-validate "$entry" 2>&1 | grep -v ': hint: ' || true)
    [[ -z "$problems" ]] || fail "desktop-file-validate: $problems"
fi
echo "ok   the desktop entry starts \"$program\" with the icon $id"

settings="$prefix/bin/ivlname.cfg"
[[ ! -e "$settings" ]] || fail "the install put a settings file in place: $settings"
game_dir="$session_tmp/Games/KORVAX"
mkdir -p "$game_dir"
"$make_sample_save" "$game_dir" >/dev/null || fail "make-sample-save failed"

start_x_server
isolate_home

# First start: no settings file, no Wine prefix, so the folder dialog.
# Escape cancels it; the program ends quietly and keeps the empty answer.
start_editor "$program"
dialog=$(wait_for_window "$dialog_title")
timeout 5 xdotool windowfocus --sync "$dialog" || fail "the folder dialog did not take the focus"
xdotool key Escape
wait_for_editor_exit
[[ $editor_status -eq 0 ]] || fail "the cancelled first start ended with status $editor_status"
[[ "$(tr -d '\r' <"$settings")" == $'[KORVAX]\npath=' ]] ||
    fail "after the cancel, ivlname.cfg holds: $(cat -A "$settings")"
echo "ok   first start: the folder dialog; Escape ends the program (status 0), ivlname.cfg holds path="

# Next start: asked again; the folder typed into the dialog is used and kept.
start_editor "$program"
dialog=$(wait_for_window "$dialog_title")
timeout 5 xdotool windowfocus --sync "$dialog" || fail "the folder dialog did not take the focus"
xdotool type --delay 5 -- "$game_dir"
# A completion list may take the first Return; press again while the
# dialog stays open.
for _ in 1 2 3; do
    xdotool key Return
    sleep 0.2
    xdotool search --onlyvisible --name "$(title_pattern "$dialog_title")" >/dev/null 2>&1 || break
done
wait_for_window "$main_title" >/dev/null
[[ "$(tr -d '\r' <"$settings")" == "[KORVAX]"$'\n'"path=$game_dir" ]] ||
    fail "after choosing $game_dir, ivlname.cfg holds: $(cat -A "$settings")"
stop_process "$editor_pid"
editor_pid=
echo "ok   second start: the folder chosen in the dialog opens the main window and is kept"

# Third start: straight to the main window.
start_editor "$program"
wait_for_window "$main_title" >/dev/null
if xdotool search --name "$(title_pattern "$dialog_title")" >/dev/null 2>&1; then
    fail "the third start asked for the folder again"
fi
echo "ok   third start: the main window, without asking"
