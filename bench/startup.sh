#!/usr/bin/env bash
# Start-up of the program to its window being shown, under Xvfb: the time from launching
# Vemora_1 until the window manager would see its top-level window mapped, polled with
# xdotool every millisecond. Prints each run and, last, "startup: median X ms of N runs".
# VEMORA_BUILD_DIR picks the build directory (default build/release).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
if [[ -z "${VEMORA_STARTUP_INNER:-}" ]]; then
    scripts/setup.sh
    exec env VEMORA_STARTUP_INNER=1 tests/support/virtual_display.sh "$0" "$@"
fi
program="${VEMORA_BUILD_DIR:-build/release}/src/Vemora_1"
runs="${1:-7}"
times=()
for ((i = 0; i < runs; ++i)); do
    start=$(date +%s%N)
    "$program" &
    pid=$!
    until xdotool search --onlyvisible --name "Вемора" >/dev/null 2>&1; do
        sleep 0.001
    done
    shown=$(date +%s%N)
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    ms=$(((shown - start) / 1000000))
    echo "run $((i + 1)): window shown after $ms ms"
    times+=("$ms")
done
median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p")
echo "startup: median $median ms of $runs runs"
