#!/usr/bin/env bash
# Starts the real program on a virtual X display, sets the speed to 100 with the keyboard,
# presses the start button, waits for the sample to be plotted and checks the screenshot:
# red markers and both gradient colours in the chart's area.
# Usage: vemora_smoke_xvfb.sh PROGRAM OUTPUT_DIR
set -euo pipefail

program=$1
out=$2
mkdir -p "$out"

source "$(dirname "${BASH_SOURCE[0]}")/xvfb_window.sh"
on_virtual_display smoke "$@"

export QT_QPA_PLATFORM=xcb
"$program" &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT

find_window
# The right end of the progress bar at (640, 16, 193, 25).
progress="1x1+$((wx + 640 + 193 - 8))+$((wy + 28))"

shot "$out/smoke_before.png"
before=$(convert "$out/smoke_before.png" -crop "$progress" +repage -format '%[hex:p{0,0}]' info:)

# Speed 100: click the scroll bar's track (one step and the focus), then End.
xdotool mousemove --window "$wid" 500 32 click 1
xdotool key --window "$wid" End
sleep 0.2
# The start button.
xdotool mousemove --window "$wid" 320 28 click 1

last=-1
done_=""
for _ in $(seq 1 120); do
    sleep 0.5
    shot "$out/smoke.png"
    bar=$(convert "$out/smoke.png" -crop "$progress" +repage -format '%[hex:p{0,0}]' info:)
    red=$(count "$out/smoke.png" "$chart" "(255,0,0)")
    if [[ "$bar" != "$before" && "$red" -gt 0 && "$red" -eq "$last" ]]; then
        done_=1
        break
    fi
    last=$red
done
[[ -n "$done_" ]] || fail "the plot did not finish (red pixels $last, progress $bar)"

red=$(count "$out/smoke.png" "$chart" "(255,0,0)")
top=$(count "$out/smoke.png" "811x1+$((cx + 1))+$((cy + 1))" "(255,255,128)")
bottom=$(count "$out/smoke.png" "811x1+$((cx + 1))+$((cy + 651))" "(128,255,128)")
echo "smoke: red marker pixels $red, top row light yellow $top of 811, bottom row light green $bottom of 811"
# 400 markers; many overlap, but thousands of pixels stay red.
[[ "$red" -ge 2000 ]] || fail "too few red marker pixels: $red"
[[ "$top" -ge 700 ]] || fail "the gradient's end colour is missing at the top: $top"
[[ "$bottom" -ge 700 ]] || fail "the gradient's start colour is missing at the bottom: $bottom"
kill -0 "$pid" 2>/dev/null || fail "the program ended during the run"
# The window alone, as the README shows it.
convert "$out/smoke.png" -crop "$window" +repage "$out/window.png"
echo "smoke: screenshot in $out/smoke.png, the window alone in $out/window.png"
