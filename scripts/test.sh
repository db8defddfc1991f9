#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the release build first, then the
# engine, program and window tests again under AddressSanitizer, LeakSanitizer and
# UndefinedBehaviorSanitizer, then two minutes of fuzzing (VEMORA_FUZZ_SECONDS to change).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

scripts/setup.sh

for preset in release asan; do
    echo "== $preset: configure and build"
    cmake --preset "$preset" -DVEMORA_WERROR=ON >/dev/null
    cmake --build --preset "$preset"
    echo "== $preset: tests"
    ctest --preset "$preset"
done

echo "== fuzz"
scripts/fuzz.sh "${VEMORA_FUZZ_SECONDS:-120}"
