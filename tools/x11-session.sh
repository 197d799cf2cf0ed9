# SPDX-License-Identifier: GPL-3.0-or-later
# shellcheck shell=bash
# Shared by the X11 test scripts and the demo (sourced, not run): a private
# X server, the editor started as a user starts it, and small helpers for window geometry
# and screenshots. Everything lives in one temporary folder that the exit
# trap removes, together with the processes started here.

session_tmp=$(mktemp -d "${TMPDIR:-/tmp}/korvax-x11.XXXXXX")
xvfb_pid=
editor_pid=

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Stops a process started by this script and waits for it, quietly.
stop_process() {
    local pid=$1
    [[ -n "$pid" ]] || return 0
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}

# A script that starts more than the editor defines session_extra_cleanup
# to stop it; the exit trap calls it after taking the status to exit with.
session_cleanup() {
    local status=$?
    # The picture first, while what the extra cleanup stops is still shown.
    if [[ $status -ne 0 && -n "${FAILURE_SHOT:-}" && -n "${DISPLAY:-}" ]]; then
        import -window root "$FAILURE_SHOT" 2>/dev/null &&
            echo "The screen at the failure: $FAILURE_SHOT" >&2
    fi
    if declare -F session_extra_cleanup >/dev/null; then
        session_extra_cleanup || true
    fi
    if [[ $status -ne 0 && -s "$session_tmp/editor.log" ]]; then
        echo "--- editor output ---" >&2
        cat "$session_tmp/editor.log" >&2
    fi
    stop_process "$editor_pid"
    stop_process "$xvfb_pid"
    rm -rf "$session_tmp"
    exit "$status"
}
trap session_cleanup EXIT
trap 'exit 130' INT TERM

now_ms() {
    date +%s%3N
}

# How long each wait below lasts: 10 s, times KORVAX_WAIT_SCALE where a
# slower build asks for it (the sanitizers' full unwinding on every
# allocation makes the editor start three to four times slower).
wait_ms=$((10000 * ${KORVAX_WAIT_SCALE:-1}))

# shellcheck source=tools/xvfb.sh
source "$(dirname "${BASH_SOURCE[0]}")/xvfb.sh"

# Starts a private X server for the session.
start_x_server() {
    start_xvfb "$session_tmp/display" "$session_tmp/xvfb.log" || fail "no private X server"
    unset WAYLAND_DISPLAY
    # The editor must draw on this server, whatever the caller's Qt settings.
    export QT_QPA_PLATFORM=xcb
    export XDG_RUNTIME_DIR="$session_tmp/runtime"
    mkdir -m 700 "$XDG_RUNTIME_DIR"
}

# Lays out a user's install in the temporary folder: the editor copied into
# its own folder with the settings file beside it, and a game folder holding
# the synthetic player file. Sets program_dir, game_dir and save_file.
prepare_user_install() {
    local editor=$1 make_sample_save=$2
    program_dir="$session_tmp/program"
    game_dir="$session_tmp/Games/KORVAX"
    save_file="$game_dir/kvxplr.sav"
    mkdir -p "$program_dir" "$game_dir"
    cp "$editor" "$program_dir/korvax-editor"
    "$make_sample_save" "$game_dir" >/dev/null || fail "make-sample-save failed"
    [[ -s "$save_file" ]] || fail "make-sample-save wrote no $save_file"
    printf '[KORVAX]\r\npath=%s\r\n' "$game_dir" >"$program_dir/ivlname.cfg"
    isolate_home
}

# A home of our own, with no Wine prefix that could point the editor at
# another game folder.
isolate_home() {
    export HOME="$session_tmp/home"
    mkdir -p "$HOME"
    unset WINEPREFIX
}

# Starts the editor the way a desktop does: from its own folder's path,
# with the current folder elsewhere.
start_editor() {
    local program=$1
    (cd "$session_tmp" && exec "$program") >"$session_tmp/editor.log" 2>&1 &
    editor_pid=$!
}

editor_running() {
    kill -0 "$editor_pid" 2>/dev/null
}

# Waits up to wait_ms (10 s) for the editor to end; sets editor_status to its exit status.
# shellcheck disable=SC2034 # read by the scripts that source this file
wait_for_editor_exit() {
    local deadline=$(($(now_ms) + wait_ms))
    while editor_running; do
        (($(now_ms) < deadline)) || fail "the editor is still running after $((wait_ms / 1000)) s"
        sleep 0.02
    done
    editor_status=0
    wait "$editor_pid" || editor_status=$?
    editor_pid=
}

# The regular expression xdotool needs to match exactly TITLE.
title_pattern() {
    # shellcheck disable=SC2001 # one sed is clearer than a chain of replacements
    echo "^$(sed 's/[][\.*^$+?(){}|]/\\&/g' <<<"$1")\$"
}

# Prints the id of the shown window whose title is exactly TITLE, waiting
# up to wait_ms (10 s) for it; fails if the editor ends first.
wait_for_window() {
    wait_for_window_matching "$(title_pattern "$1")" "\"$1\"" "$wait_ms"
}

# The same for a title matching the regular expression PATTERN, named WHAT
# in a failure, waiting up to MS milliseconds.
wait_for_window_matching() {
    local pattern=$1 what=$2 ms=$3 id
    local deadline=$(($(now_ms) + ms))
    while :; do
        id=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -n1 || true)
        [[ -n "$id" ]] && break
        editor_running || fail "the editor ended before showing $what (see its output below)"
        (($(now_ms) < deadline)) || fail "no window $what appeared within $((ms / 1000)) s"
        sleep 0.02
    done
    echo "$id"
}

# Waits up to wait_ms (10 s) until no shown window has the title TITLE.
wait_for_window_gone() {
    local title=$1 pattern
    pattern=$(title_pattern "$title")
    local deadline=$(($(now_ms) + wait_ms))
    while xdotool search --onlyvisible --name "$pattern" >/dev/null 2>&1; do
        (($(now_ms) < deadline)) || fail "the window \"$title\" is still open after $((wait_ms / 1000)) s"
        sleep 0.02
    done
}

# Sets WIN_X WIN_Y WIN_W WIN_H to a window's place and size on the screen.
# shellcheck disable=SC2034 # the scripts that source this file read them
window_geometry() {
    local id=$1 line
    WIN_X='' WIN_Y='' WIN_W='' WIN_H=''
    while read -r line; do
        case $line in
        X=*) WIN_X=${line#X=} ;;
        Y=*) WIN_Y=${line#Y=} ;;
        WIDTH=*) WIN_W=${line#WIDTH=} ;;
        HEIGHT=*) WIN_H=${line#HEIGHT=} ;;
        esac
    done < <(xdotool getwindowgeometry --shell "$id")
    [[ -n "$WIN_X" && -n "$WIN_Y" ]] || fail "cannot measure window $id"
}

# Clicks the centre of a control given by its layout rectangle in twips,
# relative to the window's client area.
click_control() {
    local window=$1 left=$2 top=$3 width=$4 height=$5
    window_geometry "$window"
    xdotool mousemove $((WIN_X + $(px "$left") + $(px "$width") / 2)) \
        $((WIN_Y + $(px "$top") + $(px "$height") / 2)) click 1
}

# Gives a window the keyboard focus; with no window manager nobody else does.
focus_window() {
    timeout 5 xdotool windowfocus --sync "$1" || fail "window $1 did not take the focus"
}

# Replaces the whole text of a text box by typing, as a user does.
retype_box() {
    local window=$1 left=$2 top=$3 width=$4 height=$5 text=$6
    focus_window "$window"
    click_control "$window" "$left" "$top" "$width" "$height"
    xdotool key ctrl+a
    xdotool type --delay 5 -- "$text"
}

# A user's rename of player 2 in the main window MAIN: a click on the list's
# first row, one row down, Edit Name, the name box retyped with NAME, and
# Submit; returns once the name editor has closed.
rename_player_2() {
    local main=$1 name=$2 editor_window
    focus_window "$main"
    window_geometry "$main"
    xdotool mousemove $((WIN_X + $(px 240) + 20)) $((WIN_Y + $(px 480) + 6)) click 1
    xdotool key Down
    click_control "$main" 240 1800 2655 375 # Command1, "Edit Name"
    editor_window=$(wait_for_window "Name Editor")
    retype_box "$editor_window" 120 480 2655 375 "$name" # txtname
    click_control "$editor_window" 1440 1080 1335 375    # cmdsave
    wait_for_window_gone "Name Editor"
}

# Waits up to wait_ms (10 s) until FILE holds the same bytes as EXPECTED: the editor
# writes after the question that set the write off has closed.
wait_until_same() {
    local file=$1 expected=$2 what=$3
    local deadline=$(($(now_ms) + wait_ms))
    until cmp -s "$file" "$expected"; do
        (($(now_ms) < deadline)) || fail "$what"
        sleep 0.05
    done
}

# Writes TEXT at byte OFFSET of FILE in place, as the game does when it
# saves its own data (offsets 5000 and 6000 lie outside every player's fields).
game_saves() {
    local file=$1 offset=$2 text=$3
    printf '%s' "$text" | dd of="$file" bs=1 seek="$offset" conv=notrunc status=none
}

# Twips to pixels at 96 dpi, rounded as the editor rounds its layouts.
# Keeps the picture of the screen at a failure as FOLDER/NAME-failure.png,
# when a FOLDER is given.
keep_failure_shot_in() {
    local folder=$1 name=$2
    [[ -n $folder ]] || return 0
    mkdir -p "$folder"
    FAILURE_SHOT="$folder/$name-failure.png"
    rm -f "$FAILURE_SHOT"
}

# Answers the message box titled TITLE with KEY and waits for it to close.
answer_message_box() {
    local title=$1 key=$2 box
    box=$(wait_for_window "$title")
    focus_window "$box"
    xdotool key "$key"
    wait_for_window_gone "$title"
}

# Presses Ctrl+Z in WINDOW once for each EXPECTED file, answers the question
# titled TITLE with Return (its default, Yes), and waits each time for the
# player file SAVE to equal that EXPECTED file.
undo_expecting() {
    local window=$1 title=$2 save=$3 expected
    shift 3
    for expected in "$@"; do
        focus_window "$window"
        xdotool key ctrl+z
        answer_message_box "$title" Return
        wait_until_same "$save" "$expected" \
            "the player file is not $(basename "$expected") after the undo ($(cmp "$save" "$expected" 2>&1 || true))"
    done
}

px() {
    echo $((($1 + 7) / 15))
}

# The fraction (0 to 1) of bright pixels in a rectangle of a picture, after
# a cut at half brightness.
bright_fraction() {
    local picture=$1 x=$2 y=$3 w=$4 h=$5
    convert "$picture" -crop "${w}x${h}+${x}+${y}" +repage -colorspace Gray \
        -threshold 50% -format '%[fx:mean]' info:
}

# Photographs window WINDOW into PICTURE once it is painted: two shots in a
# row the same and not of one colour. Gives up after 5 s with the last shot.
photograph_when_painted() {
    local window=$1 picture=$2 previous="$session_tmp/previous-shot.png"
    local deadline=$(($(now_ms) + 5000))
    rm -f "$previous"
    while :; do
        import -window "$window" "$picture" 2>/dev/null || fail "cannot photograph window $window"
        if [[ -f "$previous" ]] && cmp -s "$previous" "$picture" &&
            [[ $(convert "$picture" -format '%k' info:) -gt 1 ]]; then
            return 0
        fi
        (($(now_ms) < deadline)) || return 0
        cp "$picture" "$previous"
        sleep 0.1
    done
}

# Compares two numbers given as text: is_true "0.3 > 0".
is_true() {
    awk "BEGIN { exit !($1) }"
}
