#!/usr/bin/env bash
# The real program's window on a virtual X display tells the desktop what it needs to put
# the window under the program's menu entry: the class of WM_CLASS is the entry's
# StartupWMClass, and the window carries the program's own icon, at 48 and 256 pixels,
# the 48-pixel one being the bitmap installed for the desktop.
# Usage: vemora_desktop_xvfb.sh PROGRAM DESKTOP_ENTRY ICON_48_PNG
set -euo pipefail

program=$1
desktop=$2
icon48=$3

source "$(dirname "${BASH_SOURCE[0]}")/xvfb_window.sh"
on_virtual_display desktop "$@"

for tool in xprop xdotool convert; do
    command -v "$tool" >/dev/null || fail "$tool is missing (scripts/setup.sh installs it)"
done

start_on_three_points
find_window

# WM_CLASS = "instance", "class": the desktop matches the class.
wm_class=$(xprop -id "$wid" -notype WM_CLASS)
class=$(sed -n 's/^WM_CLASS = "[^"]*", "\([^"]*\)"$/\1/p' <<<"$wm_class")
startup=$(sed -n 's/^StartupWMClass=//p' "$desktop")
[[ -n "$startup" ]] || fail "$desktop has no StartupWMClass"
[[ "$class" == "$startup" ]] ||
    fail "the window's class is '$class' ($wm_class), the desktop entry says '$startup'"

# _NET_WM_ICON: for each icon its width, its height, then its pixels as 0xAARRGGBB, in
# rows from the top. Lists the sizes, and writes the 48-pixel icon one pixel a line.
icons=$(xprop -len 10000000 -id "$wid" -notype -f _NET_WM_ICON 32c _NET_WM_ICON)
[[ "$icons" == "_NET_WM_ICON = "* ]] || fail "the window has no icon: $icons"
sizes=$(sed 's/^_NET_WM_ICON = //' <<<"$icons" | tr -d ' ' | tr ',' '\n' |
    awk -v small="$work/window48.txt" '
        BEGIN { n = 0 }
        { v[n++] = $1 }
        END {
            i = 0
            while (i + 1 < n) {
                w = v[i]; h = v[i + 1]
                if (w <= 0 || h <= 0 || i + 2 + w * h > n) { print "bad"; exit }
                printf "%dx%d\n", w, h
                if (w == 48 && h == 48)
                    for (k = 0; k < w * h; k++)
                        print v[i + 2 + k] > small
                i += 2 + w * h
            }
        }' | LC_ALL=C sort -n | paste -sd ' ')
[[ "$sizes" == "48x48 256x256" ]] || fail "the window's icons are '$sizes', not 48x48 and 256x256"

# The installed bitmap, one pixel a line as "R G B A", in the same order.
convert "$icon48" -depth 8 txt:- |
    sed -n 's/^[0-9]*,[0-9]*: *(\([0-9]*\),\([0-9]*\),\([0-9]*\),\([0-9]*\)).*/\1 \2 \3 \4/p' \
        >"$work/file48.txt"
[[ $(wc -l <"$work/file48.txt") -eq 2304 ]] || fail "$icon48 is not a 48x48 RGBA picture"
# Alike but for rounding: the window system takes the icon with its colours
# multiplied by its alpha and back. A pixel nobody sees (alpha 0) may have any colour.
verdict=$(paste -d ' ' "$work/window48.txt" "$work/file48.txt" | awk '
    function far(a, b) { return a - b > 2 || b - a > 2 }
    {
        v = $1
        a = int(v / 16777216); r = int(v / 65536) % 256; g = int(v / 256) % 256; b = v % 256
        if (a > 0) opaque++
        if (far(a, $5) || (a > 0 && (far(r, $2) || far(g, $3) || far(b, $4)))) differ++
    }
    END { printf "%d %d\n", opaque, differ }')
read -r opaque differ <<<"$verdict"
echo "desktop: class $class, icons $sizes; 48-pixel icon: $opaque opaque pixels, $differ differ from $icon48"
[[ "$differ" -eq 0 ]] || fail "the window's 48-pixel icon differs from $icon48 in $differ pixels"
# Not a blank picture that happens to match a blank file.
[[ "$opaque" -ge 1000 ]] || fail "the window's 48-pixel icon is nearly empty: $opaque opaque pixels"
