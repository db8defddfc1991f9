#!/usr/bin/env bash
# Installs what is missing, builds the release configuration and starts the program.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release

program=build/release/src/app/Vemora_1
if [[ -x "$program" ]]; then
    exec "$program" "$@"
fi

echo
echo "The window of Vemora is not built yet; it comes in a later step."
echo "What works now is the headless tool, for example:"
echo "  build/release/tools/vemora-plot/vemora-plot read data/proba2.txt"
