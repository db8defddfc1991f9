#!/usr/bin/env bash
# One frame of our 813x653 chart with 40000 random points against the same frame drawn by
# matplotlib (Agg). Ours is BM_Frame/40000 from chart_bench, median of 5 repetitions;
# matplotlib's is the median of its draws. Prints both, and last one line
#   peers: vemora X ms, matplotlib Y ms, ratio R        (R = matplotlib / vemora)
# VEMORA_BUILD_DIR picks the build directory holding bench/chart_bench (default
# build/release, relative to the repository root); chart_bench is built if it is missing.
# The matplotlib frame is saved as /tmp/peers_matplotlib.png for a look.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

scripts/setup.sh --bench

build_dir="${VEMORA_BUILD_DIR:-build/release}"
bench="$build_dir/bench/chart_bench"
python=/usr/bin/python3 # Debian's, the one python3-matplotlib belongs to

if [[ ! -x "$bench" ]]; then
    echo "peers: building $bench"
    if [[ "$build_dir" == "build/release" ]]; then
        cmake --preset release >/dev/null
    elif [[ -f "$build_dir/CMakeCache.txt" ]]; then
        cmake -S . -B "$build_dir" -DVEMORA_BUILD_BENCH=ON >/dev/null
    else
        cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
            -DVEMORA_BUILD_BENCH=ON >/dev/null
    fi
    cmake --build "$build_dir" --target chart_bench
fi

workdir=$(mktemp -d)
trap 'rm -rf "$workdir"' EXIT

cpu=$(sed -n 's/^model name[[:space:]]*:[[:space:]]*//p' /proc/cpuinfo | head -n 1)
cores=$(getconf _NPROCESSORS_ONLN)
echo "machine: ${cpu:-unknown CPU}, $cores cores"

"$bench" --benchmark_filter='BM_Frame/40000$' --benchmark_repetitions=5 \
    --benchmark_report_aggregates_only=true --benchmark_format=json >"$workdir/ours.json"

"$python" bench/peers_matplotlib.py --points 40000 --warmup 3 --draws 15 \
    --png /tmp/peers_matplotlib.png >"$workdir/matplotlib.txt"

"$python" - "$workdir/ours.json" "$workdir/matplotlib.txt" <<'EOF'
import json
import sys

ours_path, theirs_path = sys.argv[1:3]

to_ms = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}
with open(ours_path) as f:
    report = json.load(f)
medians = [b for b in report["benchmarks"]
           if b.get("run_name") == "BM_Frame/40000" and b.get("aggregate_name") == "median"]
if len(medians) != 1:
    sys.exit("peers: chart_bench reported no median for BM_Frame/40000")
ours = medians[0]["real_time"] * to_ms[medians[0]["time_unit"]]

theirs_info = {}
with open(theirs_path) as f:
    for line in f:
        key, _, value = line.strip().partition(" ")
        theirs_info[key] = value
theirs = float(theirs_info["draw_ms_median"])


def ms(value):
    return f"{value:.3g}" if value < 1 else f"{value:.2f}"


print(f"matplotlib {theirs_info['matplotlib']}, numpy {theirs_info['numpy']}, "
      f"backend {theirs_info['backend']}")
print(f"vemora frame (40000 points, 813x653): {ms(ours)} ms "
      f"(median of {medians[0]['repetitions']} repetitions)")
print(f"matplotlib Agg frame (40000 square markers, 813x653): {ms(theirs)} ms "
      f"(median of {theirs_info['draws']} draws, min {ms(float(theirs_info['draw_ms_min']))}, "
      f"max {ms(float(theirs_info['draw_ms_max']))})")
print(f"matplotlib frame saved as {theirs_info['png']}")
print(f"peers: vemora {ms(ours)} ms, matplotlib {ms(theirs)} ms, ratio {theirs / ours:.1f}")
EOF
