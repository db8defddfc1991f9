# Shared by the tests of the real program on a virtual X display, sourced first: runs the
# test on a display of its own, finds the program's window and looks at the screen.

# Runs the sourcing script again on a virtual display of its own, with the same arguments,
# unless it already runs on one; `fail` then reports under the name given.
on_virtual_display() {
    test_name=$1
    shift
    if [[ -z "${VEMORA_ON_VIRTUAL_DISPLAY:-}" ]]; then
        export VEMORA_ON_VIRTUAL_DISPLAY=1
        exec "$(dirname "${BASH_SOURCE[0]}")/../support/virtual_display.sh" "$0" "$@"
    fi
}

fail() {
    echo "$test_name: $*" >&2
    exit 1
}

# Starts $program on a file of three points in a folder of its own, given relatively from
# that working folder: sets work and pid; both go when the script ends.
start_on_three_points() {
    work=$(mktemp -d)
    printf '1 10\n2 30\n3 20\n' >"$work/three.txt"
    export QT_QPA_PLATFORM=xcb
    cd "$work"
    "$program" three.txt &
    pid=$!
    trap 'kill "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT
}

# Waits for the window of the program running as $pid: sets wid, and wx, wy, window
# (WxH+X+Y) for its place on the screen; without a window manager it has no frame.
find_window() {
    wid=""
    for _ in $(seq 1 100); do
        wid=$(xdotool search --onlyvisible --name "Вемора" 2>/dev/null | head -1 || true)
        [[ -n "$wid" ]] && break
        kill -0 "$pid" 2>/dev/null || fail "the program ended before showing its window"
        sleep 0.1
    done
    [[ -n "$wid" ]] || fail "no window appeared"
    sleep 0.5
    eval "$(xdotool getwindowgeometry --shell "$wid")"
    wx=$X
    wy=$Y
    window="${WIDTH}x${HEIGHT}+${wx}+${wy}"
    # The chart's client area: the control at (16, 56) inside its 2-pixel edge.
    cx=$((wx + 18))
    cy=$((wy + 58))
    chart="813x653+${cx}+${cy}"
}

shot() { import -window root "$1"; }

# Count of pixels of colour $3 in the rectangle $2 (WxH+X+Y) of image $1.
count() {
    convert "$1" -crop "$2" +repage -format %c histogram:info:- |
        awk -v c="$3" 'index($0, c) { n += $1 } END { print n + 0 }'
}
