#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Kills each write path of the editor at each of its file calls in turn and
# checks what a user finds afterwards: the player file byte for byte as
# before the write, as after it, or, for a write of two ranges cut off
# between them, in a state that one Ctrl+Z takes back to before; when after,
# a copy of the state before, and one Ctrl+Z (after an undo, the restore of
# the newest copy) puts that state back. The paths (undo-player: the undo of
# a one-player restore) run through korvax-crash-driver, the editor's write
# code without its windows, which answers Yes to every question. A kill keeps the page cache: this proves the order of the
# calls, not their durability, which the flushes carry.
#
# usage: crash-test.sh CRASH_DRIVER MAKE_SAMPLE_SAVE
set -euo pipefail
[[ $# -eq 2 ]] || { echo "usage: $0 CRASH_DRIVER MAKE_SAMPLE_SAVE" >&2; exit 2; }
driver=$1 make_sample_save=$2

if ! command -v strace >/dev/null; then
    echo "SKIP: strace is not installed (tools/install-deps test installs it)"
    exit 77
fi
if ! strace -o /dev/null true 2>/dev/null; then
    echo "SKIP: strace cannot trace here (ptrace is not allowed)"
    exit 77
fi

# LeakSanitizer cannot run under ptrace; the sanitizer build's other
# checks still do.
export ASAN_OPTIONS="${ASAN_OPTIONS:-}${ASAN_OPTIONS:+:}detect_leaks=0"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
started=$(date +%s%N)

# Every call that can change a file or a folder.
calls=(openat creat write pwrite64 pwritev fsync fdatasync rename renameat renameat2 unlink
    unlinkat mkdir mkdirat link linkat symlink ftruncate fchmod fchown)
trace_set=$(IFS=,; echo "${calls[*]}")

# A game folder and a backups folder in DIR, as they are before PATH runs:
# for an undo or a restore, after a rename (for a one-player restore and its
# undo, a rename and new macros, so that the copy differs in both) and a
# save of the game's.
prepare() {
    local path=$1 dir=$2
    mkdir -p "$dir/game" "$dir/backups"
    "$make_sample_save" "$dir/game" >/dev/null
    case $path in
    undo | restore-file) "$driver" "$dir/game" "$dir/backups" name ;;
    restore-player | undo-player)
        "$driver" "$dir/game" "$dir/backups" name
        "$driver" "$dir/game" "$dir/backups" macros
        ;;
    esac
    [[ $path == undo-player ]] && "$driver" "$dir/game" "$dir/backups" restore-player
    [[ $path == name || $path == macros ]] ||
        printf 'game' | dd of="$dir/game/kvxplr.sav" bs=1 seek=5000 conv=notrunc status=none
}

run_driver() {
    local dir=$1 path=$2
    shift 2
    [[ $path == undo-player ]] && path=undo
    "$@" "$driver" "$dir/game" "$dir/backups" "$path"
}

# After a kill: the file as before, as after, or torn between two ranges;
# when after, a copy of the state before; and the way back to it.
check_run() {
    local path=$1 dir=$2 before=$3 after=$4 what=$5 copy
    local file="$dir/game/kvxplr.sav"
    if cmp -s "$file" "$before"; then
        # A step cut off before its first byte is passed over by Ctrl+Z:
        # with no change before a Submit, there is nothing to take back.
        if [[ $path == name || $path == macros ]]; then
            local status=0
            run_driver "$dir" undo 2>/dev/null || status=$?
            [[ $status -eq 3 ]] || fail "$what: Ctrl+Z found a step where nothing was written"
        fi
        return
    fi
    if cmp -s "$file" "$after"; then
        local found=
        while IFS= read -r copy; do
            cmp -s "$copy" "$before" && found=$copy
        done < <(find "$dir/backups" -name '*.sav')
        [[ -n $found ]] || fail "$what: the file was written, and no copy holds the state before"
        if [[ $path == undo* ]]; then
            # An undo done is taken back by the restore window, not by Ctrl+Z.
            run_driver "$dir" restore-newest ||
                fail "$what: the restore of the newest copy did not run"
            cmp -s "$file" "$before" ||
                fail "$what: the newest copy does not put back the state before"
            return
        fi
    fi
    cmp -s "$file" "$after" || torn=$((torn + 1))
    run_driver "$dir" undo ||
        fail "$what: Ctrl+Z did not run (the file is neither as before nor as after)"
    cmp -s "$file" "$before" || fail "$what: one Ctrl+Z did not put back the state before"
}

# Every run happens in the same folder, since the copies' folder is named
# after the game folder's path.
dir="$work/run"
reset_to() {
    rm -rf "$dir"
    cp -a "$1" "$dir"
}
# How many calls of CALL the trace LOG holds, in its first LINES lines.
count_calls() {
    local call=$1 log=$2 lines=$3
    head -n "$lines" "$log" | grep -cE "^[0-9]+ +$call\\(" || true
}

total_runs=0
for path in name macros undo restore-file restore-player undo-player; do
    start="$work/$path-start"
    rm -rf "$dir"
    prepare "$path" "$dir"
    cp -a "$dir" "$start"
    before="$start/game/kvxplr.sav"
    # The whole run once, traced, for the state after and the calls made.
    run_driver "$dir" "$path" strace -f -qq -o "$work/calls.log" -e trace="$trace_set,access" ||
        fail "$path: the write path does not run through"
    after="$work/$path-after.sav"
    cp "$dir/game/kvxplr.sav" "$after"
    cmp -s "$before" "$after" && fail "$path: the write path changed nothing"
    # Of each kind of call, those after the marker of the path's start,
    # counted from the process's first.
    marker=$(grep -n 'the write path begins' "$work/calls.log" | head -n 1 | cut -d: -f1)
    [[ -n $marker ]] || fail "$path: the driver's marker is not in the trace"
    lines=$(wc -l <"$work/calls.log")
    runs=0 torn=0
    for call in "${calls[@]}"; do
        first=$(count_calls "$call" "$work/calls.log" "$marker")
        last=$(count_calls "$call" "$work/calls.log" "$lines")
        for ((n = first + 1; n <= last; n++)); do
            reset_to "$start"
            status=0
            run_driver "$dir" "$path" strace -f -qq -o /dev/null \
                -e inject="$call:signal=KILL:when=$n" 2>/dev/null || status=$?
            [[ $status -ne 0 ]] || fail "$path: call $n of $call was not reached"
            check_run "$path" "$dir" "$before" "$after" "$path, killed at $call number $n"
            runs=$((runs + 1))
        done
    done
    [[ $runs -gt 0 ]] || fail "$path: no file call was found to kill it at"
    echo "ok   $path: killed at each of its $runs file calls; as before or after (torn $torn" \
        "times, between two ranges), and back"
    total_runs=$((total_runs + runs))
done
echo "     $total_runs runs in $((($(date +%s%N) - started) / 1000000)) ms"
