#!/usr/bin/env bash
# The window following a file that a writer appends to at a steady rate, under Xvfb:
# bench/follow_latency.sh [SECONDS] [LINES_PER_SECOND] (default 60 s at 1000 lines a
# second). Prints the median, 95th percentile and largest time from a line's write to the
# end of the first frame that shows it. VEMORA_BUILD_DIR picks the build directory.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
if [[ -z "${VEMORA_FOLLOW_INNER:-}" ]]; then
    scripts/setup.sh
    exec env VEMORA_FOLLOW_INNER=1 tests/support/virtual_display.sh "$0" "$@"
fi
exec "${VEMORA_BUILD_DIR:-build/release}/bench/follow_latency" "${1:-60}" "${2:-1000}"
