#!/usr/bin/env bash
# Installs what is missing, builds the release configuration and starts the program.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release

# The window needs a display (X11 or Wayland); Qt says so clearly when there is none.
exec build/release/src/Vemora_1 "$@"
