#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Starts the built editor as a user would (its own folder with ivlname.cfg
# beside it, a game folder holding the synthetic player file) on a private X
# server, photographs the main window and checks that the four player names
# and the first player's ten macros are drawn where the layout puts them.
#
# usage: main-window-screenshot.sh EDITOR MAKE_SAMPLE_SAVE SCREENSHOT.png
set -euo pipefail
[[ $# -eq 3 ]] || { echo "usage: $0 EDITOR MAKE_SAMPLE_SAVE SCREENSHOT.png" >&2; exit 2; }
editor=$1 make_sample_save=$2 screenshot=$3
# shellcheck source=../../tools/x11-session.sh
source "$(dirname "$0")/../../tools/x11-session.sh"
FAILURE_SHOT="${screenshot%.png}-failure.png"
mkdir -p "$(dirname "$screenshot")"
rm -f "$screenshot" "$FAILURE_SHOT"

start_x_server
prepare_user_install "$editor" "$make_sample_save"
start_editor "$program_dir/korvax-editor"
window=$(wait_for_window "Ironvale Name Editor For KORVAX.")

window_geometry "$window"
[[ "${WIN_W}x${WIN_H}" == 491x350 ]] ||
    fail "the main window is ${WIN_W}x${WIN_H} pixels, not 491x350"

# The layout's rectangles in pixels.
list_x=$(px 240) list_y=$(px 480) list_w=$(px 2655) list_h=$(px 1185)
macro_x=$(px 600) macro_w=$(px 6375) macro_h=$(px 255)
macro_y() { px $((2760 + 240 * $1)); }

# A shown window may not be painted yet: photograph it until the list's
# white background and the first macro's text are there.
shot="$session_tmp/shot.png"
deadline=$(($(now_ms) + 5000))
while :; do
    import -window "$window" "$shot"
    is_true "$(bright_fraction "$shot" $((list_x + 3)) $((list_y + list_h - 8)) 20 4) == 1" &&
        is_true "$(bright_fraction "$shot" "$macro_x" "$(macro_y 0)" "$macro_w" "$macro_h") > 0" &&
        break
    (($(now_ms) < deadline)) || break # the checks below say what is missing
    sleep 0.05
done
cp "$shot" "$screenshot"

failures=0
check() {
    local what=$1 condition=$2
    if is_true "$condition"; then
        echo "ok   $what ($condition)"
    else
        echo "FAIL $what ($condition)"
        failures=$((failures + 1))
    fi
}

# The list's rows: the selected first row is a band of the highlight colour
# right under the list's frame, and its height is the row height of the
# list's font.
read -r row_top row_height < <(
    convert "$shot" -crop "1x${list_h}+$((list_x + 3))+${list_y}" +repage \
        -colorspace Gray -depth 8 txt:- |
        awk -F'gray[(]' 'NR > 1 {
            split($2, v, ")"); y = NR - 2
            if (v[1] > 40 && v[1] < 215) { if (start == "") start = y; n++ }
            else if (start != "") exit
        } END { print list_y + start, n }' list_y="$list_y"
)
[[ -n "$row_top" && "$row_height" -ge 10 && "$row_height" -le 30 ]] ||
    fail "no highlighted first row in the player list (top '$row_top', height '$row_height')"
echo "     list rows: first at y=$row_top, $row_height pixels apart"

# Each row's text area, inside the frame, a pixel in from the row's edges.
row() {
    echo "$((list_x + 3)) $((row_top + $1 * row_height + 1)) $((list_w - 6)) $((row_height - 2))"
}
# shellcheck disable=SC2046 # row prints four numbers
row0=$(bright_fraction "$shot" $(row 0))
check "List1 row 0 (\"Maximilian Vogt\", selected): light text on the highlight" "$row0 > 0 && $row0 < 0.5"
for r in 1 2; do
    # shellcheck disable=SC2046
    value=$(bright_fraction "$shot" $(row $r))
    check "List1 row $r: dark text on white" "$value < 0.98 && $value > 0.5"
done
# shellcheck disable=SC2046
row3=$(bright_fraction "$shot" $(row 3))
check "List1 row 3 (empty name): white, no text" "$row3 == 1"

# The ten macro labels: silver text on black. Slot 0's macro 4 is empty;
# macro 1 holds 39 characters and macro 2 only "hi" (a zero byte follows).
declare -a macro
for i in $(seq 0 9); do
    macro[i]=$(bright_fraction "$shot" "$macro_x" "$(macro_y "$i")" "$macro_w" "$macro_h")
    if [[ $i -eq 4 ]]; then
        check "lblMacro(4) (empty): black" "${macro[i]} == 0"
    else
        check "lblMacro($i): silver text" "${macro[i]} > 0"
    fi
done
check "lblMacro(1) (39 characters) holds more text than lblMacro(2) (\"hi\")" \
    "${macro[1]} > 4 * ${macro[2]}"

[[ $failures -eq 0 ]] || fail "$failures checks failed; the screenshot is $screenshot"
echo "The main window's screenshot: $screenshot"
