#!/usr/bin/env bash
# The real program on a virtual X display when the process runs out of file descriptors:
# once the window stands, its limit is lowered to the lowest descriptor it has free, so the
# start button's open fails with "Too many open files". The message box must be painted and
# answer, and the program must then end on a close request.
# Usage: vemora_descriptors_xvfb.sh PROGRAM X_CLOSE_REQUEST OUTPUT_DIR
set -euo pipefail

program=$1
close_request=$2
out=$3
mkdir -p "$out"

source "$(dirname "${BASH_SOURCE[0]}")/xvfb_window.sh"
on_virtual_display descriptors "$@"

start_on_three_points

find_window
shot "$out/before.png"

# No descriptor can be opened from now on: the lowest free number is the limit.
lowest=0
while [[ -e /proc/$pid/fd/$lowest ]]; do
    lowest=$((lowest + 1))
done
hard=$(prlimit --pid "$pid" --nofile --noheadings --output HARD | tr -d ' ')
prlimit --pid "$pid" --nofile="$lowest:$hard"

xdotool mousemove --window "$wid" 320 28 click 1
box=""
for _ in $(seq 1 50); do
    box=$(xdotool search --onlyvisible --name '^Vemora_1$' 2>/dev/null | head -1 || true)
    [[ -n "$box" ]] && break
    sleep 0.1
done
[[ -n "$box" ]] || fail "no message box came up"
sleep 1
eval "$(xdotool getwindowgeometry --shell "$box")"
shot "$out/box.png"
# A box left unpainted shows what was under it: the chart as it stood before.
convert "$out/before.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$out/under.png"
convert "$out/box.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$out/box_only.png"
changed=$(compare -metric AE "$out/under.png" "$out/box_only.png" null: 2>&1 || true)
[[ "$changed" -gt $((WIDTH * HEIGHT / 2)) ]] ||
    fail "the message box was not painted ($changed of $((WIDTH * HEIGHT)) pixels changed)"

# The box answers, and the window is still the program's: a close request ends it.
kill -0 "$pid" 2>/dev/null || fail "the program ended while showing the box"
# The box goes on the key's press: sending its release may find no window.
xdotool key --window "$box" Return 2>/dev/null || true
for _ in $(seq 1 30); do
    xdotool search --onlyvisible --name '^Vemora_1$' >/dev/null 2>&1 || break
    sleep 0.1
done
xdotool search --onlyvisible --name '^Vemora_1$' >/dev/null 2>&1 && fail "the box did not close on Return"
"$close_request" "$wid"
for _ in $(seq 1 300); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.01
done
kill -0 "$pid" 2>/dev/null && fail "the program did not end within 3 s of the close request"
echo "descriptors: the message box was painted ($changed pixels) and the program ended on request"
