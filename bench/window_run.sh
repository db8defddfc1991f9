#!/usr/bin/env bash
# A plot run in the program's real window under Xvfb, from the press on the start button to
# the last frame sent to the X server: bench/window_run.sh FILE [SPEED] [RUNS]. Prints each
# run and, last, "window run: median X ms of N runs". VEMORA_BUILD_DIR picks the build
# directory (default build/release).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
if [[ -z "${VEMORA_WINDOW_RUN_INNER:-}" ]]; then
    scripts/setup.sh
    exec env VEMORA_WINDOW_RUN_INNER=1 tests/support/virtual_display.sh "$0" "$@"
fi
program="${VEMORA_BUILD_DIR:-build/release}/bench/window_run"
file="$1"
speed="${2:-100}"
runs="${3:-3}"
times=()
for ((i = 0; i < runs; ++i)); do
    line=$("$program" "$file" "$speed" | tail -n 1)
    echo "run $((i + 1)): $line"
    times+=("$(sed -E 's/.* ([0-9]+) ms$/\1/' <<<"$line")")
done
median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p")
echo "window run: median $median ms of $runs runs"
