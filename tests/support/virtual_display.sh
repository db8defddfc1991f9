#!/usr/bin/env bash
# Runs a command on a virtual X display of its own (1280x1024, 24 bits, no TCP) and gives
# its exit status: virtual_display.sh COMMAND [ARGS...]
# The server picks a free display number itself and tells it once it accepts connections,
# so two of these started back to back can never share a number or connect to a server on
# its way out; the server is waited for before this returns, so the next one starts clean.
# It does not reset when its last client leaves: a program started after another has ended
# would otherwise find it mid-reset and be refused.
set -euo pipefail

[[ $# -gt 0 ]] || { echo "usage: virtual_display.sh COMMAND [ARGS...]" >&2; exit 2; }

state=$(mktemp -d)
mkfifo "$state/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$state/display" \
    2>"$state/server.log" &
server=$!
stop_server() {
    kill "$server" 2>/dev/null || true
    wait "$server" 2>/dev/null || true
    rm -rf "$state"
}
trap stop_server EXIT

number=""
read -r number <"$state/display" || true
if [[ ! "$number" =~ ^[0-9]+$ ]]; then
    echo "virtual_display: the X server did not start:" >&2
    cat "$state/server.log" >&2
    exit 1
fi

status=0
DISPLAY=":$number" "$@" || status=$?
if [[ $status -ne 0 && -s "$state/server.log" ]]; then
    echo "virtual_display: what the X server said:" >&2
    cat "$state/server.log" >&2
fi
exit "$status"
