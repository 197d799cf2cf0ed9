#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A user's whole edit, driven by real mouse and keyboard input on a private
# X server: select player 2, rename it, edit two of its macros, then check
# that the player file holds exactly the expected bytes and nothing else
# changed. Then another program writes macro 8 of player 2 while the macros
# editor is open: Submit asks, and No leaves the file as that program left it.
#
# usage: edit-session.sh EDITOR MAKE_SAMPLE_SAVE [ARTIFACT_DIR]
set -euo pipefail
[[ $# -ge 2 && $# -le 3 ]] || { echo "usage: $0 EDITOR MAKE_SAMPLE_SAVE [ARTIFACT_DIR]" >&2; exit 2; }
editor=$1 make_sample_save=$2 artifacts=${3:-}
# shellcheck source=../../tools/x11-session.sh
source "$(dirname "$0")/../../tools/x11-session.sh"
keep_failure_shot_in "$artifacts" edit-session

# Player file layout: four slots of 25948 bytes; the name at 20, the ten
# 40-byte macro fields from 8420.
slot_base() { echo $((25948 * $1)); }
name_offset() { echo $(($(slot_base "$1") + 20)); }
macro_offset() { echo $(($(slot_base "$1") + 8420 + 40 * $2)); }

start_x_server
prepare_user_install "$editor" "$make_sample_save"
pristine="$session_tmp/pristine.sav"
cp "$save_file" "$pristine"
cp "$program_dir/ivlname.cfg" "$session_tmp/settings-before"
start_editor "$program_dir/korvax-editor"

started=$(now_ms)
main=$(wait_for_window "Ironvale Name Editor For KORVAX.")

# Player 2 renamed: 17 characters typed; the box keeps the first 15.
typed_name="Iron Duke of Vale"
stored_name=${typed_name:0:15}
rename_player_2 "$main" "$typed_name"

# Edit Macros: a new text in the first box and one in the last, empty one.
macro0="Meet at the north gate & bring rope"
macro9="Back in five"
click_control "$main" 240 2280 2655 375 # Command2, "Edit Macros"
editor_window=$(wait_for_window "Macros Editor")
retype_box "$editor_window" 120 480 6135 375 "$macro0"  # txtmacro(0)
retype_box "$editor_window" 120 4800 6135 375 "$macro9" # txtmacro(9)
click_control "$editor_window" 3360 5400 1335 375       # cmdsave
wait_for_window_gone "Macros Editor"

# Both Submits have written and closed their windows; the editor is still
# running (a failure would have ended it).
editor_running || fail "the editor ended during the session"

# The expected file: the pristine sample with the name written as its bytes
# and two zero bytes, and each edited macro field as its text padded with
# zero bytes to 40 (the other eight fields of slot 1 are already in that
# form, so rewriting them changes nothing).
expected="$session_tmp/expected.sav"
cp "$pristine" "$expected"
put_bytes() {
    local file=$1 offset=$2 text=$3 zeros=$4
    { printf '%s' "$text" && head -c "$zeros" /dev/zero; } |
        dd of="$file" bs=1 seek="$offset" conv=notrunc status=none
}
put_bytes "$expected" "$(name_offset 1)" "$stored_name" 2
put_bytes "$expected" "$(macro_offset 1 0)" "$macro0" $((40 - ${#macro0}))
put_bytes "$expected" "$(macro_offset 1 9)" "$macro9" $((40 - ${#macro9}))
cmp -s "$pristine" "$expected" && fail "the expected file equals the sample: the test is broken"

if ! cmp -s "$expected" "$save_file"; then
    echo "The player file differs from the expected bytes (offset: expected actual, octal):" >&2
    { cmp -l "$expected" "$save_file" 2>&1 || true; } | head -n 20 |
        awk '/^ *[0-9]/ { printf "  %d: %s %s\n", $1 - 1, $2, $3; next } { print "  " $0 }' >&2
    first=$({ cmp "$expected" "$save_file" 2>&1 || true; } | sed -n 's/.*differ: .*byte \([0-9]*\).*/\1/p')
    if [[ -n "$artifacts" ]]; then
        cp "$save_file" "$artifacts/edit-session-actual.sav"
        cp "$expected" "$artifacts/edit-session-expected.sav"
    fi
    [[ -n "$first" ]] || fail "the player file does not hold the edit (its size differs)"
    fail "the player file does not hold the edit (first difference at offset $((first - 1)))"
fi
cmp -s "$session_tmp/settings-before" "$program_dir/ivlname.cfg" ||
    fail "the settings file ivlname.cfg was changed"
echo "ok   the player file holds the new name of player 2 and its two new macros, nothing else changed"

# Another program writes macro 8 of player 2 while the macros editor is
# open on it; the user changes macro 5 and submits.
click_control "$main" 240 2280 2655 375 # Command2, "Edit Macros"
editor_window=$(wait_for_window "Macros Editor")
retype_box "$editor_window" 120 2400 6135 375 "c7" # txtmacro(4)
put_bytes "$save_file" "$(macro_offset 1 7)" "gg all" 34
other="$session_tmp/other.sav"
cp "$save_file" "$other"
click_control "$editor_window" 3360 5400 1335 375 # cmdsave
# The question's words are checked by the window tests; here, its answer.
# Escape answers No: nothing is written and the editor stays open.
answer_message_box "KORVAX player editor" Escape
xdotool search --onlyvisible --name "$(title_pattern "Macros Editor")" >/dev/null ||
    fail "the macros editor closed after No"
cmp -s "$other" "$save_file" ||
    fail "after No the player file is not as the other program left it ($(cmp "$other" "$save_file" 2>&1 || true))"
click_control "$editor_window" 4920 5400 1335 375 # cmdcancel
wait_for_window_gone "Macros Editor"
cmp -s "$other" "$save_file" || fail "Cancel changed the player file"
editor_running || fail "the editor ended during the session"
echo "ok   a macro written by another program while the editor was open: Submit asked, and No wrote nothing"

stop_process "$editor_pid"
editor_pid=
echo "The session took $(($(now_ms) - started)) ms from the main window's appearance"
