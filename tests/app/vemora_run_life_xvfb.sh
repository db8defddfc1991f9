#!/usr/bin/env bash
# The run's life in the real program on a virtual X display, through the X server as a
# user meets it. The file is given on the command line (relative, from the working folder).
#  1. A slow run (three points, 16.7 s of pause each): the window is unmapped and mapped
#     again in the middle of a pause and is painted again; a click on the speed scroll
#     bar's right arrow waits; Esc stops the run after its first point, and then the
#     scroll bar moves.
#  2. Another slow run: a close request (as a window manager's close button sends it)
#     ends the run and the program within a few seconds.
# Usage: vemora_run_life_xvfb.sh PROGRAM X_CLOSE_REQUEST OUTPUT_DIR
set -euo pipefail

program=$1
close_request=$2
out=$3
mkdir -p "$out"

source "$(dirname "${BASH_SOURCE[0]}")/xvfb_window.sh"
on_virtual_display run_life "$@"

start_on_three_points

find_window
scrollbar="193x17+$((wx + 432))+$((wy + 24))"
same() { [[ "$(compare -metric AE "$1" "$2" null: 2>&1 || true)" == "0" ]]; }
crop() { convert "$1" -crop "$2" +repage "$3"; }

# 1. At speed 1.
shot "$out/idle.png"
crop "$out/idle.png" "$scrollbar" "$out/bar_idle.png"
xdotool mousemove --window "$wid" 320 28 click 1
sleep 1.5
shot "$out/first_point.png"
red=$(count "$out/first_point.png" "$chart" "(255,0,0)")
[[ "$red" -gt 0 ]] || fail "the first point is not on the chart"

xdotool windowunmap --sync "$wid"
sleep 0.3
xdotool windowmap --sync "$wid"
sleep 1
shot "$out/mapped_again.png"
red_again=$(count "$out/mapped_again.png" "$chart" "(255,0,0)")
green=$(count "$out/mapped_again.png" "811x1+$((wx + 19))+$((wy + 58 + 651))" "(128,255,128)")
[[ "$red_again" -eq "$red" && "$green" -ge 700 ]] ||
    fail "the window was not painted again during the pause (red $red_again of $red, green $green)"

xdotool mousemove --window "$wid" 618 32 click 1
sleep 0.5
shot "$out/clicked.png"
crop "$out/clicked.png" "$scrollbar" "$out/bar_clicked.png"
same "$out/bar_idle.png" "$out/bar_clicked.png" || fail "the scroll bar moved during the run"

xdotool key --window "$wid" Escape
sleep 0.5
shot "$out/stopped.png"
crop "$out/stopped.png" "$scrollbar" "$out/bar_stopped.png"
same "$out/bar_idle.png" "$out/bar_stopped.png" &&
    fail "the click made during the run did not move the scroll bar once Esc had stopped it"
kill -0 "$pid" 2>/dev/null || fail "the program ended on Esc"
red_stopped=$(count "$out/stopped.png" "$chart" "(255,0,0)")
[[ "$red_stopped" -eq "$red" ]] || fail "Esc did not stop the run after its first point"

# 2. Back to speed 1 (Home, the scroll bar has the focus since the click), a new run, and
# a close request two seconds into it.
xdotool key --window "$wid" Home
sleep 0.3
xdotool mousemove --window "$wid" 320 28 click 1
sleep 2
start=$(date +%s%N)
"$close_request" "$wid"
for _ in $(seq 1 300); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.01
done
kill -0 "$pid" 2>/dev/null && fail "the program did not end within 3 s of the close request"
status=0
wait "$pid" || status=$?
took=$((($(date +%s%N) - start) / 1000000))
[[ "$status" -eq 0 ]] || fail "the program ended with status $status"
echo "run_life: repainted during a pause, Esc stopped the run, the close request ended it in $took ms"
