#!/usr/bin/env bash
# The real program following a file on a virtual X display: started with --follow and
# --speed, it plots what the file holds, then each line a writer appends, with its caption
# saying so; Esc ends the following. Then a producer piped into --follow -.
# Usage: vemora_follow_xvfb.sh PROGRAM OUTPUT_DIR
set -euo pipefail

program=$1
out=$2
mkdir -p "$out"

source "$(dirname "${BASH_SOURCE[0]}")/xvfb_window.sh"
on_virtual_display follow "$@"

work=$(mktemp -d)
export QT_QPA_PLATFORM=xcb
for i in $(seq 0 19); do echo "$i $((i * i % 17))"; done >"$work/live.txt"
"$program" --speed 100 --follow "$work/live.txt" &
pid=$!
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT
find_window

caption() { xdotool getwindowname "$wid"; }
[[ "$(caption)" == "Вемора № 1 — following" ]] || fail "caption while following: $(caption)"
red_before=0
for _ in $(seq 1 40); do
    sleep 0.25
    shot "$out/follow_first.png"
    red_before=$(count "$out/follow_first.png" "$chart" "(255,0,0)")
    [[ "$red_before" -gt 0 ]] && break
done
[[ "$red_before" -gt 0 ]] || fail "the file's points were not plotted"

# A writer appends 40 lines far from the first ones, one every 20 ms.
for i in $(seq 20 59); do
    echo "$((i * 3)) $((40 + i % 7))" >>"$work/live.txt"
    sleep 0.02
done
sleep 0.5
shot "$out/follow.png"
red_after=$(count "$out/follow.png" "$chart" "(255,0,0)")
echo "follow: red marker pixels $red_before after the first run, $red_after after 40 more lines"
[[ "$red_after" -gt $((red_before * 2)) ]] || fail "the appended lines were not shown"

xdotool key --window "$wid" Escape
sleep 0.5
[[ "$(caption)" == "Вемора № 1" ]] || fail "caption after Esc: $(caption)"
kill -0 "$pid" 2>/dev/null || fail "the program ended"
kill "$pid"
wait "$pid" 2>/dev/null || true

# Standard input: a producer writes lines, then ends; the points stay and following ends.
(for i in $(seq 0 29); do echo "$i $((i % 5))"; sleep 0.02; done) |
    "$program" --speed 100 --follow - &
pid=$!
find_window
sleep 1.5
[[ "$(caption)" == "Вемора № 1" ]] || fail "caption after the input ended: $(caption)"
shot "$out/follow_stdin.png"
red=$(count "$out/follow_stdin.png" "$chart" "(255,0,0)")
echo "follow: red marker pixels $red from standard input"
[[ "$red" -gt 0 ]] || fail "nothing was plotted from standard input"
