#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The copies before each change and Ctrl+Z, driven by real input on a
# private X server:
#   1. a rename, then the game saves its own data, then Ctrl+Z and Return:
#      the name is back and the game's bytes kept; the same with a macros
#      edit; each write after a copy of the file as it was;
#   2. a backups folder that cannot be made: the question, No, nothing written;
#   3. a running program named korvax.exe: the question, No, nothing written.
#
# usage: copies-session.sh EDITOR MAKE_SAMPLE_SAVE [ARTIFACT_DIR]
set -euo pipefail
[[ $# -ge 2 && $# -le 3 ]] || { echo "usage: $0 EDITOR MAKE_SAMPLE_SAVE [ARTIFACT_DIR]" >&2; exit 2; }
editor=$1 make_sample_save=$2 artifacts=${3:-}
# shellcheck source=../../tools/x11-session.sh
source "$(dirname "$0")/../../tools/x11-session.sh"
keep_failure_shot_in "$artifacts" copies-session
game_pid=
session_extra_cleanup() { stop_process "$game_pid"; }

main_title="Ironvale Name Editor For KORVAX."
question_title="KORVAX player editor"

start_x_server
unset XDG_DATA_HOME
prepare_user_install "$editor" "$make_sample_save"
backups="$HOME/.local/share/korvax-editor/backups"
pristine="$session_tmp/pristine.sav"
cp "$save_file" "$pristine"

copies() {
    find "$backups" -name '*.sav' 2>/dev/null | sort
}
copy_count() {
    copies | wc -l
}
newest_copy() {
    copies | tail -n 1
}

# Answers the question that must now show with KEY and waits for it to close.
# Edit Macros on the selected player: a new text in the first box, Submit.
edit_first_macro() {
    local main=$1 text=$2 editor_window
    click_control "$main" 240 2280 2655 375 # Command2, "Edit Macros"
    editor_window=$(wait_for_window "Macros Editor")
    retype_box "$editor_window" 120 480 6135 375 "$text" # txtmacro(0)
    click_control "$editor_window" 3360 5400 1335 375    # cmdsave
}

# 1. Each edit after a copy; the game saves meanwhile; Ctrl+Z takes back
# the edit alone.
start_editor "$program_dir/korvax-editor"
main=$(wait_for_window "$main_title")
rename_player_2 "$main" "Iron Duke"
[[ $(copy_count) -eq 1 ]] || fail "after the rename there are $(copy_count) copies, not 1"
cmp -s "$(newest_copy)" "$pristine" || fail "the copy before the rename is not the original file"
cmp -s "$save_file" "$pristine" && fail "the rename changed nothing"
game_saves "$save_file" 5000 "played"
expected="$session_tmp/name-undone.sav"
cp "$pristine" "$expected"
game_saves "$expected" 5000 "played"
undo_expecting "$main" "$question_title" "$save_file" "$expected"
echo "ok   a rename, a save of the game's, Ctrl+Z: the name is back and the game's bytes kept"

before_macros="$session_tmp/before-macros.sav"
cp "$save_file" "$before_macros"
edit_first_macro "$main" "Meet at the north gate"
wait_for_window_gone "Macros Editor"
[[ $(copy_count) -eq 3 ]] || fail "after the macros edit there are $(copy_count) copies, not 3"
cmp -s "$(newest_copy)" "$before_macros" || fail "the copy before the macros edit is not the file as it was"
cmp -s "$save_file" "$before_macros" && fail "the macros edit changed nothing"
game_saves "$save_file" 6000 "saved again"
cp "$before_macros" "$expected"
game_saves "$expected" 6000 "saved again"
undo_expecting "$main" "$question_title" "$save_file" "$expected"
[[ $(copy_count) -eq 4 ]] || fail "the undos left $(copy_count) copies, not 4"
stop_process "$editor_pid"
editor_pid=
echo "ok   a macros edit, a save of the game's, Ctrl+Z: the macros are back and the game's bytes kept"

# 2. The backups folder cannot be made: a file stands where a folder must go.
touch "$session_tmp/not-a-folder"
XDG_DATA_HOME="$session_tmp/not-a-folder/data" start_editor "$program_dir/korvax-editor"
main=$(wait_for_window "$main_title")
cp "$save_file" "$session_tmp/before.sav"
focus_window "$main"
window_geometry "$main"
xdotool mousemove $((WIN_X + $(px 240) + 20)) $((WIN_Y + $(px 480) + 6)) click 1
click_control "$main" 240 1800 2655 375 # Command1, "Edit Name"
name_editor=$(wait_for_window "Name Editor")
retype_box "$name_editor" 120 480 2655 375 "Nobody"
click_control "$name_editor" 1440 1080 1335 375 # cmdsave
answer_message_box "$question_title" Return # No is the default
wait_for_window "Name Editor" >/dev/null
cmp -s "$save_file" "$session_tmp/before.sav" || fail "No to the missing copy still wrote the file"
stop_process "$editor_pid"
editor_pid=
echo "ok   no backups folder: the question, and No leaves the file unchanged and the editor open"

# 3. The game runs: any small program under the name korvax.exe.
cp "$(command -v sleep)" "$session_tmp/korvax.exe"
"$session_tmp/korvax.exe" 120 &
game_pid=$!
start_editor "$program_dir/korvax-editor"
main=$(wait_for_window "$main_title")
rename_player_2_without_waiting() {
    focus_window "$main"
    click_control "$main" 240 1800 2655 375 # Command1, "Edit Name"
    name_editor=$(wait_for_window "Name Editor")
    retype_box "$name_editor" 120 480 2655 375 "Nobody"
    click_control "$name_editor" 1440 1080 1335 375 # cmdsave
}
rename_player_2_without_waiting
answer_message_box "$question_title" Escape # No
wait_for_window "Name Editor" >/dev/null
cmp -s "$save_file" "$session_tmp/before.sav" || fail "No while the game runs still wrote the file"
[[ $(copy_count) -eq 4 ]] || fail "a copy was made although the write was refused"
echo "ok   korvax.exe running: the question, and No leaves the file unchanged and the editor open"
