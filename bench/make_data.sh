#!/usr/bin/env bash
# Data files of the shapes users bring, for the run benchmarks:
#   bench/make_data.sh SHAPE N OUT
# SHAPE is ascending (a time series: X grows line by line), descending (the same lines
# in reverse order) or random (the same points in a random order); the points are a
# smooth curve with noise, the same for every shape. The random order is the same each
# time (a fixed seed).
set -euo pipefail
shape="$1"
n="$2"
out="$3"
points() {
    awk -v n="$n" 'BEGIN {
        srand(20261209)
        for (i = 0; i < n; ++i) {
            x = i * 0.025
            y = 40 * sin(i / 700.0) + 12 * sin(i / 61.0) + 6 * (rand() + rand() - 1)
            printf "%.6f %.6f\n", x, y
        }
    }'
}
case "$shape" in
ascending) points >"$out" ;;
descending) points | tac >"$out" ;;
random)
    points | awk 'BEGIN { srand(7) } { printf "%.9f %s\n", rand(), $0 }' | sort -k1,1g |
        cut -d' ' -f2- >"$out"
    ;;
*)
    echo "usage: bench/make_data.sh ascending|descending|random N OUT" >&2
    exit 2
    ;;
esac
