#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows program as a player meets it, under Wine on a private X
# server, in a Wine prefix of this test's own, driven by real input:
#   1. no registry entry and no ivlname.cfg: the shell's folder dialog opens;
#      cancelling it ends the program with no main window;
#   2. ivlname.cfg names a folder without the player file: the failure
#      message names the file, and the program ends with status 1;
#   3. ivlname.cfg names the game folder: the main window shows with no
#      dialog, and its picture holds the four names;
#   4. the game registered under App Paths (ivlname.cfg naming a wrong
#      folder): the registry wins; an Edit Name and Submit leaves the player
#      file holding exactly the expected bytes;
#   5. a macros edit, then the game saves its own data, then Ctrl+Z: the
#      macros are back and the game's bytes kept; the game saves again, and
#      a second Ctrl+Z takes back the rename of step 4 alone; a copy was
#      made before each write, in the profile of a user whose name lies
#      outside the ANSI code page;
#   6. a backups folder that cannot be made: the question, No, nothing written;
#   7. a running korvax.exe (IDLE.exe under that name): the question, No,
#      nothing written.
#   8. at 144 dpi (150 %): the main window is 1.5 times its size at 96 dpi.
#
# usage: editor-session.sh EDITOR.exe MAKE_SAMPLE_SAVE.exe ARTIFACT_DIR IDLE.exe
set -euo pipefail
[[ $# -eq 4 ]] || { echo "usage: $0 EDITOR.exe MAKE_SAMPLE_SAVE.exe ARTIFACT_DIR IDLE.exe" >&2; exit 2; }
editor=$1 make_sample_save=$2 artifacts=$3 idle=$4
# shellcheck source=../../tools/x11-session.sh
source "$(dirname "$0")/../../tools/x11-session.sh"
keep_failure_shot_in "$artifacts" editor-session

# Wine 10 takes a window for the foreground one only when it is clicked (or
# a window manager hands it the focus): a focus set from outside reaches the
# X window but not Wine, and the keys typed then go nowhere. So the window
# is first clicked, as a user does, at its top-left corner, where no window
# of the program or of Wine's dialogs has a control.
focus_window() {
    window_geometry "$1"
    xdotool mousemove $((WIN_X + 4)) $((WIN_Y + 4)) click 1
    timeout 5 xdotool windowfocus --sync "$1" || fail "window $1 did not take the focus"
}

main_title="Ironvale Name Editor For KORVAX."
failure_title="KORVAX player editor"

# The program file names itself in its version resource (UTF-16 strings).
# grep reads to the end: with -q it would stop at the match, and strings,
# writing on into the closed pipe, would fail the pipeline.
for text in "KORVAX Player Editor" "Editor for the player names and macros of KORVAX"; do
    strings -el "$editor" | grep -xF "$text" >/dev/null || fail "the version resource lacks \"$text\""
done

# One application manifest (resource type 24, id 1): the user's own rights,
# Windows 7, 8, 8.1 and 10/11, and per-monitor DPI awareness.
grep -A2 'Entry: ID: 0x000018' < <(x86_64-w64-mingw32-objdump -p "$editor") |
    grep -q 'Entry: ID: 0x000001,' || fail "the resources hold no application manifest (type 24, id 1)"
x86_64-w64-mingw32-objcopy -O binary --only-section=.rsrc "$editor" "$session_tmp/resources"
for text in 'level="asInvoker"' '{35138b9a-5d96-4fbd-8e2d-a2440225f93a}' \
    '{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}' '{1f676c76-80e1-4239-95bb-83d0f6d0da78}' \
    '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}' '>true/pm</dpiAware>' \
    '>PerMonitorV2</dpiAwareness>'; do
    grep -qF "$text" "$session_tmp/resources" || fail "the manifest lacks $text"
done

start_x_server
unset QT_QPA_PLATFORM # the Windows program draws with Qt's windows platform
isolate_home
export WINEPREFIX="$session_tmp/wine-prefix"
# Wine names the profile folder after USER. Windows-1252 has no "Ł": a
# program that takes %LOCALAPPDATA% through the code page gets
# C:\users\Lukasz, another user's folder.
export USER='Łukasz'
# Called by the exit trap; a trap of its own before session_cleanup would
# hide the status of a failure from it.
session_extra_cleanup() { wineserver -k 2>/dev/null || true; }
started=$(now_ms)
WINEDLLOVERRIDES="mscoree,mshtml=" wine wineboot --init >"$session_tmp/wineboot.log" 2>&1 ||
    fail "wineboot failed: $(cat "$session_tmp/wineboot.log")"
wineserver -p30 </dev/null >/dev/null 2>&1 || true
echo "     a Wine prefix of the test's own in $(($(now_ms) - started)) ms"

# C:\Games\KORVAX inside the prefix holds the synthetic player file.
drive_c="$WINEPREFIX/drive_c"
game_dir="$drive_c/Games/KORVAX"
save_file="$game_dir/kvxplr.sav"
mkdir -p "$game_dir" "$drive_c/Games/Empty"
wine "$make_sample_save" 'C:\Games\KORVAX' >/dev/null 2>&1 || fail "make-sample-save.exe failed"
[[ -s "$save_file" ]] || fail "make-sample-save.exe wrote no $save_file"
pristine="$session_tmp/pristine.sav"
cp "$save_file" "$pristine"

# The program unpacked into a folder of its own, as from the ZIP.
program_dir="$drive_c/KORVAX Editor"
mkdir -p "$program_dir"
cp "$editor" "$program_dir/korvax-editor.exe"
settings="$program_dir/ivlname.cfg"

start_wine_editor() {
    (cd "$session_tmp" && exec wine "$program_dir/korvax-editor.exe") \
        >"$session_tmp/editor.log" 2>&1 &
    editor_pid=$!
}

# Closes the main window as a user does (Alt+F4) and waits for the program
# to end; sets editor_status.
close_main_window() {
    focus_window "$1"
    xdotool key alt+F4
    wait_for_editor_exit
    [[ $editor_status -eq 0 ]] || fail "closing the main window ended the program with status $editor_status"
}

main_window_seen() {
    xdotool search --onlyvisible --name "$(title_pattern "$main_title")" >/dev/null 2>&1
}

# 1. First start: the shell's folder dialog, cancelled.
rm -f "$settings"
start_wine_editor
# The shell's dialog; its caption is Wine's own.
dialog=$(wait_for_window_matching 'Browse|Folder' "the folder dialog" 15000)
main_window_seen && fail "the main window showed before a folder was chosen"
focus_window "$dialog"
xdotool key Escape
wait_for_editor_exit
[[ $editor_status -eq 0 ]] || fail "cancelling the dialog ended the program with status $editor_status"
main_window_seen && fail "the main window showed after the dialog was cancelled"
[[ -f "$settings" ]] || fail "the cancelled dialog left no ivlname.cfg"
grep -qi '^path=\s*$' <(tr -d '\r' <"$settings") ||
    fail "ivlname.cfg does not hold an empty path entry: $(cat "$settings")"
echo "ok   no registry entry, no settings: the folder dialog, cancelled, ends the program (status 0)"

# 2. A folder without the player file: the failure message, then status 1.
printf '[KORVAX]\r\npath=C:\\Games\\Empty\r\n' >"$settings"
start_wine_editor
message=$(wait_for_window "$failure_title")
main_window_seen && fail "the main window showed although the player file is missing"
import -window "$message" "$artifacts/wine-failure-message.png" 2>/dev/null || true
# Ctrl+C copies a message box's text to the clipboard, which Wine shares
# with the X server's.
focus_window "$message"
xdotool key ctrl+c
report=
deadline=$(($(now_ms) + 5000))
until [[ -n "$report" ]]; do
    report=$(timeout 2 xclip -o -selection clipboard 2>/dev/null | tr -d '\r' || true)
    (($(now_ms) < deadline)) || fail "Ctrl+C on the message box put no text on the clipboard"
    [[ -n "$report" ]] || sleep 0.05
done
expected='Cannot open for reading "C:\Games\Empty\kvxplr.sav": '
[[ "$report" == *"$expected"* ]] ||
    fail "the message box does not say: $expected"$'\n'"it says: $report"
focus_window "$message"
xdotool key Return
wait_for_editor_exit
[[ $editor_status -eq 1 ]] || fail "the missing player file ended the program with status $editor_status, not 1"
echo "ok   a folder without kvxplr.sav: the failure message names the file, then exit status 1"

# 3. The folder from ivlname.cfg: the main window, no dialog.
printf '[KORVAX]\r\npath=C:\\Games\\KORVAX\r\n' >"$settings"
start_wine_editor
main=$(wait_for_window "$main_title")
xdotool search --onlyvisible --name 'Browse|Folder' >/dev/null 2>&1 &&
    fail "the folder dialog showed although ivlname.cfg names the folder"
window_geometry "$main"
[[ "${WIN_W}x${WIN_H}" == 491x350 ]] || fail "the main window is ${WIN_W}x${WIN_H} pixels, not 491x350"
shot="$artifacts/windows-form1.png"
check_names() {
    # The list's four rows of text (Times New Roman 9.75 pt, under Wine its
    # stand-in Liberation Serif: 17 pixels a row); rows 0 to 2 hold names,
    # row 3 the empty one.
    local row y fraction
    for row in 0 1 2 3; do
        y=$(($(px 480) + 2 + 17 * row))
        fraction=$(bright_fraction "$shot" $(($(px 240) + 3)) "$y" 150 13)
        if [[ $row -lt 3 ]]; then
            is_true "$fraction < 0.99" || return 1
        else
            is_true "$fraction == 1" || return 1
        fi
    done
}
deadline=$(($(now_ms) + 5000))
until import -window "$main" "$shot" 2>/dev/null && check_names; do
    (($(now_ms) < deadline)) || fail "the main window's list does not show the four names (see $shot)"
    sleep 0.1
done
grep -q . "$settings" || fail "ivlname.cfg was emptied"
close_main_window "$main"
echo "ok   the folder from ivlname.cfg: the main window with the four names, no dialog ($shot)"

# 4. The registry wins over ivlname.cfg, and a whole Edit Name.
printf '[KORVAX]\r\npath=C:\\Games\\Empty\r\n' >"$settings"
wine reg add 'HKLM\Software\Microsoft\Windows\CurrentVersion\App Paths\korvax.exe' \
    /v Path /t REG_SZ /d 'C:\Games\KORVAX' /f >/dev/null 2>&1 || fail "wine reg add failed"
cp "$settings" "$session_tmp/settings-before"
start_wine_editor
main=$(wait_for_window "$main_title")

typed_name="Iron Duke of Vale"
stored_name=${typed_name:0:15}
rename_player_2 "$main" "$typed_name"
editor_running || fail "the program ended during the edit"
close_main_window "$main"

expected="$session_tmp/expected.sav"
cp "$pristine" "$expected"
{ printf '%s' "$stored_name" && head -c 2 /dev/zero; } |
    dd of="$expected" bs=1 seek=$((25948 * 1 + 20)) conv=notrunc status=none
cmp -s "$pristine" "$expected" && fail "the expected file equals the sample: the test is broken"
if ! cmp -s "$expected" "$save_file"; then
    cp "$save_file" "$artifacts/wine-actual.sav"
    fail "the player file does not hold the new name and nothing else: $(cmp "$expected" "$save_file" 2>&1 || true)"
fi
cmp -s "$session_tmp/settings-before" "$settings" || fail "ivlname.cfg was changed"
echo "ok   the registry entry wins; Edit Name and Submit wrote exactly the name's 17 bytes"

# 5. The copies: one before the rename above, one before a macros edit.
# The game saves between, and each Ctrl+Z takes back its edit alone, the
# second the rename of the earlier run.
local_appdata="$drive_c/users/$USER/AppData/Local"
[[ -d "$local_appdata" ]] || fail "the prefix has no $local_appdata"
backups="$local_appdata/korvax-editor/backups"
copy_count() {
    find "$backups" -name '*.sav' 2>/dev/null | wc -l
}
newest_copy() {
    find "$backups" -name '*.sav' | sort | tail -n 1
}
[[ $(copy_count) -eq 1 ]] || fail "after the rename there are $(copy_count) copies in $backups, not 1"
cmp -s "$(newest_copy)" "$pristine" || fail "the copy before the rename is not the original file"
after_rename="$session_tmp/after-rename.sav"
cp "$save_file" "$after_rename"
start_wine_editor
main=$(wait_for_window "$main_title")
focus_window "$main"
click_control "$main" 240 2280 2655 375 # Command2, "Edit Macros"
macros_editor=$(wait_for_window "Macros Editor")
retype_box "$macros_editor" 120 480 6135 375 "Meet at the north gate" # txtmacro(0)
click_control "$macros_editor" 3360 5400 1335 375                    # cmdsave
wait_for_window_gone "Macros Editor"
[[ $(copy_count) -eq 2 ]] || fail "after the macros edit there are $(copy_count) copies, not 2"
cmp -s "$(newest_copy)" "$after_rename" || fail "the copy before the macros edit is not the renamed file"
game_saves "$save_file" 5000 "played"
expected="$session_tmp/macros-undone.sav"
cp "$after_rename" "$expected"
game_saves "$expected" 5000 "played"
undo_expecting "$main" "$failure_title" "$save_file" "$expected"
game_saves "$save_file" 6000 "saved again"
cp "$pristine" "$expected"
game_saves "$expected" 5000 "played"
game_saves "$expected" 6000 "saved again"
undo_expecting "$main" "$failure_title" "$save_file" "$expected"
[[ $(copy_count) -eq 4 ]] || fail "the undos left $(copy_count) copies, not 4"
close_main_window "$main"
[[ ! -e "$drive_c/users/Lukasz" ]] || fail "the editor made a folder in C:\\users\\Lukasz"
echo "ok   a copy before each write, in C:\\users\\$USER; the game saves; each Ctrl+Z takes back its edit and keeps the game's bytes"

# A rename that must be refused: Submit, the question answered with KEY,
# then the name editor still open and the file as it was.
refused_rename() {
    local key=$1 what=$2 name_editor
    cp "$save_file" "$session_tmp/before.sav"
    start_wine_editor
    main=$(wait_for_window "$main_title")
    focus_window "$main"
    click_control "$main" 240 1800 2655 375 # Command1, "Edit Name"
    name_editor=$(wait_for_window "Name Editor")
    retype_box "$name_editor" 120 480 2655 375 "Nobody" # txtname
    click_control "$name_editor" 1440 1080 1335 375     # cmdsave
    answer_message_box "$failure_title" "$key"
    wait_for_window "Name Editor" >/dev/null
    cmp -s "$save_file" "$session_tmp/before.sav" || fail "No $what still wrote the file"
    click_control "$name_editor" 2880 1080 1095 375 # cmdcancel
    wait_for_window_gone "Name Editor"
    close_main_window "$main"
}

# 6. A file where the editor's folder must go.
mv "$local_appdata/korvax-editor" "$session_tmp/kept-copies"
touch "$local_appdata/korvax-editor"
refused_rename Return "to the missing copy"
rm "$local_appdata/korvax-editor"
mv "$session_tmp/kept-copies" "$local_appdata/korvax-editor"
echo "ok   no backups folder: the question, and No leaves the file unchanged and the editor open"

# 7. The game runs.
cp "$idle" "$game_dir/korvax.exe"
wine 'C:\Games\KORVAX\korvax.exe' 120 >/dev/null 2>&1 &
game_pid=$!
session_extra_cleanup() {
    wineserver -k 2>/dev/null || true
    stop_process "$game_pid"
}
deadline=$(($(now_ms) + 10000))
until grep -qx korvax.exe /proc/[0-9]*/comm 2>/dev/null; do
    (($(now_ms) < deadline)) || fail "korvax.exe did not start under Wine"
    sleep 0.05
done
copies_before=$(copy_count)
refused_rename Escape "while the game runs"
[[ $(copy_count) -eq $copies_before ]] || fail "a copy was made although the write was refused"
echo "ok   korvax.exe running: the question, and No leaves the file unchanged and the editor open"

# 8. A screen at 150 %: Wine takes the DPI from the prefix's LogPixels when
# its server starts. The main window is 1.5 times its 96 dpi size.
session_extra_cleanup() { wineserver -k 2>/dev/null || true; }
wineserver -k 2>/dev/null || true # ends the game too; the registry is saved
stop_process "$game_pid"
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1 ||
    fail "cannot set LogPixels in the prefix"
wineserver -k 2>/dev/null || true
wineserver -p30 </dev/null >/dev/null 2>&1 || true
start_wine_editor
main=$(wait_for_window "$main_title")
window_geometry "$main"
[[ "${WIN_W}x${WIN_H}" == 737x525 ]] ||
    fail "at 144 dpi the main window is ${WIN_W}x${WIN_H} pixels, not 737x525 (1.5 times 491x350)"
# Its first position, 1.5 times the 96 dpi one, runs off the screen's edge.
first_x=$WIN_X first_y=$WIN_Y
xdotool windowmove --sync "$main" 0 0 >/dev/null 2>&1 || true
photograph_when_painted "$main" "$artifacts/windows-form1-144dpi.png"
# Wine 10 does not learn of a move made from outside: back where Wine put
# it, the window is where the click that gives it the focus lands.
xdotool windowmove --sync "$main" "$first_x" "$first_y" >/dev/null 2>&1 || true
close_main_window "$main"
echo "ok   at 144 dpi the main window is 737x525 pixels, 1.5 times its 491x350"
