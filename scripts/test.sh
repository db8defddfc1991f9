#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the release build first, then the
# engine and program tests again under AddressSanitizer and UndefinedBehaviorSanitizer.
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
