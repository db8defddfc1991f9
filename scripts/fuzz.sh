#!/usr/bin/env bash
# Fuzzes the way from a data file's bytes to a drawn chart for SECONDS (default 60).
# Builds the fuzzer with clang in build/fuzz, starts from the seeds and every earlier
# finding, and keeps the corpus it grows in build/fuzz/corpus for the next run.
# A crash, a hang of more than 2 s on one input, a sanitizer report, a leak or an uncaught
# exception stops it with exit status 1 and leaves the input in build/fuzz/findings/:
# once fixed, copy it to tests/fuzz/findings/, where the tests replay it.
# Usage: scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

seconds=${1:-60}
if [[ ! "$seconds" =~ ^[0-9]+$ ]]; then
    echo "usage: scripts/fuzz.sh [SECONDS]" >&2
    exit 2
fi

scripts/setup.sh
build=build/fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVEMORA_FUZZ=ON -DVEMORA_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target plot_fuzzer

mkdir -p "$build/corpus" "$build/findings"
log="$build/fuzz.log"
status=0
# What fontconfig, FreeType and the glyph cache load once stays reachable for the life of
# the process, so the leak check after each input does not count it.
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
ASAN_OPTIONS=abort_on_error=0:detect_leaks=1 \
    "$build/tests/fuzz/plot_fuzzer" -max_total_time="$seconds" -timeout=2 -rss_limit_mb=2048 \
    -max_len=65536 -print_final_stats=1 -artifact_prefix="$build/findings/" \
    -dict=tests/fuzz/numbers.dict \
    "$build/corpus" data tests/fuzz/seeds tests/fuzz/findings >"$log" 2>&1 || status=$?

grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|#[0-9]+ +DONE)' "$log" || true
if [[ $status -ne 0 ]]; then
    tail -n 60 "$log"
    echo "fuzz: FAILED (status $status); the input is in $build/findings/, the log in $log" >&2
    exit 1
fi
echo "fuzz: no finding in $seconds s"
