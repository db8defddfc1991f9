#!/usr/bin/env bash
# Runs vemora-plot as a user would and checks its output, exit codes and streams.
# Usage: VEMORA_VERSION=x.y.z vemora_plot_cli_test.sh VEMORA_PLOT SOURCE_DIR [PICTURE_MATCH]
set -u
# Absolute, as some checks run in a folder of their own.
tool=$(realpath "$1")
src=$(realpath "$2")
match=${3:+$(realpath "$3")}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
passes=0

check() { # name, condition result
    if [[ $2 -eq 0 ]]; then
        passes=$((passes + 1))
    else
        echo "FAILED: $1"
        failures=$((failures + 1))
    fi
}

# The sample: every line of it is a point.
"$tool" read "$src/data/proba2.txt" >"$work/out" 2>"$work/err"
rc=$?
check "sample exits 0" $((rc != 0))
lines=$(grep -c . "$src/data/proba2.txt")
check "sample count line" "$([[ $(head -1 "$work/out") == "points $lines" ]]; echo $?)"
check "sample point lines" "$([[ $(($(wc -l <"$work/out") - 1)) -eq $lines ]]; echo $?)"
check "sample stderr empty" "$([[ ! -s "$work/err" ]]; echo $?)"

# A missing file: the message box text on stderr, nothing on stdout, exit 1.
"$tool" read "$work/absent.txt" >"$work/out" 2>"$work/err"
rc=$?
check "missing exits 1" $((rc != 1))
check "missing message" "$([[ $(cat "$work/err") == "File not found." ]]; echo $?)"
check "missing stdout empty" "$([[ ! -s "$work/out" ]]; echo $?)"

"$tool" read "$work/no/such/folder.txt" >/dev/null 2>"$work/err"
check "missing folder message" "$([[ $(cat "$work/err") == "Invalid filename." ]]; echo $?)"
"$tool" read "$work" >/dev/null 2>"$work/err"
check "folder message" "$([[ $(cat "$work/err") == "File access denied." ]]; echo $?)"
# A number that does not read: the message, then where it is (line, column in bytes,
# token), both counted from 1.
printf 'abc\n' >"$work/bad.txt"
"$tool" read "$work/bad.txt" >/dev/null 2>"$work/err"
check "bad token message" "$([[ $(cat "$work/err") == $'Invalid numeric input.\nline 1, column 1: abc' ]]; echo $?)"
printf '1 1e400\n' >"$work/big.txt"
"$tool" read "$work/big.txt" >/dev/null 2>"$work/err"
check "overflow message" "$([[ $(cat "$work/err") == $'Floating point overflow.\nline 1, column 3: 1e400' ]]; echo $?)"
# A header, a comment, a decimal comma: the first pass finds the first of each line.
printf '1 2\r\n\n  3\t4\n1.5 6x\n' >"$work/late.txt"
"$tool" read "$work/late.txt" >/dev/null 2>"$work/err"
check "second pass place" "$([[ $(cat "$work/err") == $'Invalid numeric input.\nline 4, column 5: 6x' ]]; echo $?)"
printf '1 2\n# comment\n' >"$work/comment.txt"
"$tool" read "$work/comment.txt" >/dev/null 2>"$work/err"
check "comment place" "$([[ $(cat "$work/err") == $'Invalid numeric input.\nline 2, column 1: #' ]]; echo $?)"
long=$(printf 'x%.0s' $(seq 1 50))
printf '7 8\n  1,5%s\n' "$long" >"$work/long.txt"
"$tool" read "$work/long.txt" >/dev/null 2>"$work/err"
check "long token cut to 40" "$([[ $(sed -n 2p "$work/err") == "line 2, column 3: 1,5${long:0:37}" ]]; echo $?)"
printf '1 2\n' >"$work/io.txt"
"$tool" read "$work/io.txt/x" >/dev/null 2>"$work/err"
check "no place for I/O errors" "$([[ $(wc -l <"$work/err") -eq 1 ]]; echo $?)"

# Number formatting: 17 significant digits, -0 and inf as printf writes them.
printf -- '-0 1e5120\n0.1 -1e-5000\n3 7\n' >"$work/fmt.txt"
"$tool" read "$work/fmt.txt" >"$work/out"
expected=$'points 3\n-0 inf\n0.10000000000000001 -0\n3 7'
check "number format" "$([[ $(cat "$work/out") == "$expected" ]]; echo $?)"

# Points come in file order (the series' X order is not the tool's concern here).
printf '3 30\n1 10\n' >"$work/order.txt"
"$tool" read "$work/order.txt" >"$work/out"
check "file order" "$([[ $(cat "$work/out") == $'points 2\n3 30\n1 10' ]]; echo $?)"

# An empty path reads standard input.
printf '5 6\n' | "$tool" read '' >"$work/out" 2>"$work/err"
check "stdin exits 0" $?
check "stdin first line" "$([[ $(head -1 "$work/out") == "points 1" ]]; echo $?)"
# Standard input is read once: a pipe gives the points the same data gives from a file,
# arriving in pieces or in one go, and so does a file given as standard input.
{
    for i in $(seq 1 3000); do echo "$i $((i * 3)) $((i % 5))"; done
    echo "1 2"
    echo "9"
} >"$work/many.txt"
for data in fmt.txt order.txt many.txt hundred-odd.txt; do
    [[ -e "$work/$data" ]] || printf '1\n2\n3\n' >"$work/$data"
    "$tool" read "$work/$data" >"$work/from-file"
    cat "$work/$data" | "$tool" read '' >"$work/from-pipe"
    check "pipe reads as file: $data" "$(cmp -s "$work/from-file" "$work/from-pipe"; echo $?)"
    "$tool" read '' <"$work/$data" >"$work/from-redirect"
    check "redirect reads as file: $data" "$(cmp -s "$work/from-file" "$work/from-redirect"; echo $?)"
done
{ head -c 5000 "$work/many.txt"; sleep 0.2; tail -c +5001 "$work/many.txt"; } | "$tool" read '' >"$work/from-pipe"
"$tool" read "$work/many.txt" >"$work/from-file"
check "pipe in pieces reads as file" "$(cmp -s "$work/from-file" "$work/from-pipe"; echo $?)"
# A stream without end: its first 40000 lines are read, and the tool ends.
timeout 20 bash -c "yes '4 5' | '$tool' read ''" >"$work/from-pipe" 2>/dev/null
check "endless stream ends" $?
check "endless stream points" "$([[ $(head -1 "$work/from-pipe") == "points 40000" && $(tail -1 "$work/from-pipe") == "4 5" ]]; echo $?)"

# render: the window's picture after a run, and its layout.
"$tool" render "$src/data/proba2.txt" --png "$work/r.png" --json "$work/r.json" 2>"$work/err"
check "render exits 0" $?
check "render png" "$([[ $(head -c 8 "$work/r.png" | od -An -c | tr -d ' ') == '211PNG\r\n032\n' ]]; echo $?)"
check "render plot rect" "$(grep -q '"plot_rect": \[45, 30, 785, 608\], "chart_depth": 4' "$work/r.json"; echo $?)"
check "render bottom labels" "$(( $(grep -c '"text": "[0-9]*", "pixel"' "$work/r.json") != 21 + 19 ))"
markers=$(grep '"markers"' "$work/r.json" | grep -o '\[[0-9-]*, [0-9-]*\]' | wc -l)
check "render markers" $((markers != 400))
"$tool" render "$src/data/proba2.txt" --size 200x150 --json "$work/small.json" 2>"$work/err"
check "render size" "$(grep -q '"panel_bounds": \[0, 0, 200, 150\]' "$work/small.json"; echo $?)"
"$tool" render "$work/absent.txt" --png "$work/none.png" >"$work/out" 2>"$work/err"
check "render missing exits 1" $(($? != 1))
check "render missing message" "$([[ $(cat "$work/err") == "File not found." && ! -e "$work/none.png" ]]; echo $?)"
"$tool" render "$work/late.txt" --png "$work/none.png" >/dev/null 2>"$work/err"
check "render bad number place" "$([[ $(cat "$work/err") == $'Invalid numeric input.\nline 4, column 5: 6x' ]]; echo $?)"

# The same picture as SVG and PDF: drawn with the same layout, so rasterised again it is the
# PNG but for the edges of shapes and glyphs; the PDF's text is the labels, its page the
# chart's size at 96 dpi and its title the file's name.
"$tool" render "$src/data/proba2.txt" --svg "$work/r.svg" --pdf "$work/r.pdf" 2>"$work/err"
check "vector exits 0" $?
check "svg parses" "$(xmllint --noout "$work/r.svg" 2>/dev/null; echo $?)"
check "svg size" "$(grep -q 'width="813px" height="653px"' "$work/r.svg"; echo $?)"
rsvg-convert "$work/r.svg" -o "$work/r-svg.png"
check "svg is the png" "$("$match" "$work/r.png" "$work/r-svg.png" 60 0.95 >/dev/null; echo $?)"
# A vector page is drawn at 96 dpi whatever the density asked of the PNG.
"$tool" render "$src/data/proba2.txt" --scale 2 --png "$work/r2.png" --svg "$work/r2.svg"
check "svg at --scale 2 is the svg at 1" "$(cmp -s "$work/r.svg" "$work/r2.svg"; echo $?)"
check "pdf opens" "$(pdfinfo "$work/r.pdf" >"$work/info" 2>/dev/null; echo $?)"
check "pdf one page" "$(grep -qx 'Pages: *1' "$work/info"; echo $?)"
check "pdf page size" "$(grep -q '^Page size: *609.75 x 489.75 pts' "$work/info"; echo $?)"
check "pdf title" "$(grep -qx 'Title: *proba2.txt' "$work/info"; echo $?)"
pdftotext -layout "$work/r.pdf" "$work/r.txt"
labels=$(grep -o '"text": "[^"]*"' "$work/r.json" | sed 's/"text": "\(.*\)"/\1/' | sort -u)
missing=0
for label in $labels; do grep -qw -- "$label" "$work/r.txt" || missing=$((missing + 1)); done
check "pdf text holds every label" $((missing != 0 || $(echo "$labels" | wc -l) < 30))
pdftoppm -r 96 -png -singlefile "$work/r.pdf" "$work/r-pdf"
check "pdf is the png" "$("$match" "$work/r.png" "$work/r-pdf.png" 60 0.95 >/dev/null; echo $?)"
"$tool" render "$src/data/proba2.txt" --size 300x200 --png "$work/small.png" --svg - >"$work/small.svg"
check "svg to stdout with png" $?
rsvg-convert "$work/small.svg" -o "$work/small-svg.png"
check "svg of another size" "$("$match" "$work/small.png" "$work/small-svg.png" 60 0.95 >/dev/null; echo $?)"
"$tool" render "$src/data/proba2.txt" --pdf - >"$work/stdout.pdf"
check "pdf to stdout" "$(cmp -s "$work/stdout.pdf" "$work/r.pdf" || [[ $(head -c 5 "$work/stdout.pdf") == %PDF- ]]; echo $?)"
# Markers hidden under later ones are left out, and each kept marker is one reference to
# its drawing: a dense run stays small.
{ for i in $(seq 1 4000); do echo "$((i % 50)) $((i % 37))"; done; } >"$work/dense.txt"
"$tool" render "$work/dense.txt" --svg "$work/dense.svg" --png "$work/dense.png"
check "dense svg small" "$(( $(wc -c <"$work/dense.svg") > 600000 ))"
rsvg-convert "$work/dense.svg" -o "$work/dense-svg.png"
check "dense svg is the png" "$("$match" "$work/dense.png" "$work/dense-svg.png" 60 0.95 >/dev/null; echo $?)"
"$tool" render "$work/absent.txt" --svg "$work/none.svg" 2>"$work/err"
check "svg missing data exits 1" "$([[ $? -eq 1 && ! -e "$work/none.svg" ]]; echo $?)"

# replay: one frame per point; its last frame is the picture render makes.
"$tool" replay "$src/data/proba2.txt" --no-pause --png "$work/p.png" >"$work/out" 2>"$work/err"
check "replay exits 0" $?
check "replay counts" "$(grep -qx 'frames: 400' "$work/out" && grep -qx 'pause_ms: 50000' "$work/out"; echo $?)"
check "replay summary" "$(tail -1 "$work/out" | grep -q '^replay: 400 points, 400 frames, [0-9]* ms$'; echo $?)"
check "replay keys" "$(( $(grep -cE '^(points|frames|pause_ms|wall_ms|frame_ms_min|frame_ms_median|frame_ms_max): ' "$work/out") != 7 ))"
check "replay picture is render's" "$(cmp -s "$work/p.png" "$work/r.png"; echo $?)"
for i in $(seq 1 100); do echo "$i $((i % 7))"; done >"$work/hundred.txt"
"$tool" replay "$work/hundred.txt" --speed 100 >"$work/out"
check "replay pauses" "$(grep -qx 'pause_ms: 500' "$work/out"; echo $?)"
check "replay waited" "$(( $(sed -n 's/^wall_ms: //p' "$work/out") < 500 ))"

# Denser screens: --size stays in pixels of a normal screen, the picture and its layout
# are S times as many pixels, and the PNG says how dense it is (pixels per metre at
# 96 x S dots per inch, in the pHYs chunk that follows the header).
density() { # the pHYs chunk's X and Y pixels per metre and its unit, as "x y unit"
    [[ $(od -An -c -j 37 -N 4 "$1" | tr -d ' ') == "pHYs" ]] || { echo none; return; }
    od -An -tu1 -j 41 -N 9 "$1" | awk '{print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8, $9}'
}
check "normal png density" "$([[ $(density "$work/r.png") == "3780 3780 1" ]]; echo $?)"
"$tool" render "$src/data/proba2.txt" --scale 2 --png "$work/r2.png" --json "$work/r2.json" 2>"$work/err"
check "scale 2 exits 0" $?
check "scale 2 size" "$([[ $(identify -format '%wx%h' "$work/r2.png") == 1626x1306 ]]; echo $?)"
check "scale 2 density" "$([[ $(density "$work/r2.png") == "7559 7559 1" ]]; echo $?)"
check "scale 2 panel" "$(grep -q '"panel_bounds": \[0, 0, 1626, 1306\]' "$work/r2.json"; echo $?)"
check "scale 2 depth" "$(grep -q '"chart_depth": 8, "series_depth": 8' "$work/r2.json"; echo $?)"
texts() { grep -o '"text": "[^"]*"' "$1"; }
check "scale 2 same labels" "$([[ $(texts "$work/r2.json") == $(texts "$work/r.json") ]]; echo $?)"
markers2=$(grep '"markers"' "$work/r2.json" | grep -o '\[[0-9-]*, [0-9-]*\]' | wc -l)
check "scale 2 markers" $((markers2 != 400))
"$tool" render "$src/data/proba2.txt" --size 400x300 --scale 1.5 --png "$work/r15.png" \
    --json "$work/r15.json" 2>"$work/err"
check "scale 1.5 size" "$([[ $(identify -format '%wx%h' "$work/r15.png") == 600x450 ]]; echo $?)"
check "scale 1.5 density" "$([[ $(density "$work/r15.png") == "5669 5669 1" ]]; echo $?)"
check "scale 1.5 panel" "$(grep -q '"panel_bounds": \[0, 0, 600, 450\]' "$work/r15.json"; echo $?)"
"$tool" render "$src/data/proba2.txt" --scale 1 --png "$work/r1.png" 2>"$work/err"
check "scale 1 is the normal picture" "$(cmp -s "$work/r1.png" "$work/r.png"; echo $?)"
"$tool" replay "$src/data/proba2.txt" --no-pause --scale 2 --png "$work/p2.png" >"$work/out" 2>"$work/err"
check "scale 2 replay frames" "$(grep -qx 'frames: 400' "$work/out"; echo $?)"
check "scale 2 replay picture is render's" "$(cmp -s "$work/p2.png" "$work/r2.png"; echo $?)"

# Frames of a run as pictures: every K-th point's, and the last one; the last is the
# picture --png saves.
"$tool" replay "$work/hundred.txt" --no-pause --png-every 30 "$work/frames" --png "$work/last.png" \
    >/dev/null 2>"$work/err"
check "png-every exits 0" $?
check "png-every names" "$([[ $(cd "$work/frames" && echo *) == "frame-000030.png frame-000060.png frame-000090.png frame-000100.png" ]]; echo $?)"
check "png-every last frame" "$(cmp -s "$work/frames/frame-000100.png" "$work/last.png"; echo $?)"
check "png-every frames differ" "$(! cmp -s "$work/frames/frame-000030.png" "$work/frames/frame-000060.png"; echo $?)"
"$tool" replay "$work/hundred.txt" --no-pause --png-every 50 "$work/frames50" >/dev/null
check "png-every multiple" "$([[ $(cd "$work/frames50" && echo *) == "frame-000050.png frame-000100.png" ]]; echo $?)"
"$tool" replay "$work/hundred.txt" --no-pause --png-every 10 "$work/hundred.txt/x" >/dev/null 2>"$work/err"
check "png-every unwritable exits 1" $(($? != 1))
check "png-every unwritable message" "$(grep -q '^Cannot write .*frame-000010.png: Not a directory\.$' "$work/err"; echo $?)"

# Wrong options: exit 2, the argument at fault and what is wrong with it first, then the usage.
usage_error() { # expected first line, arguments...
    local expected=$1
    shift
    "$tool" "$@" >"$work/out" 2>"$work/err"
    local rc=$?
    check "usage for: $*" $((rc != 2))
    check "usage names: $*" "$([[ $(head -1 "$work/err") == "$expected" ]]; echo $?)"
    check "usage text after: $*" "$(grep -q '^usage: ' "$work/err" && [[ ! -s "$work/out" ]]; echo $?)"
}
usage_error "render: PATH is missing" render
usage_error "b: only one PATH may be given" render a b
usage_error "--size 0x5: at least 1x1" render x --size 0x5
usage_error "--size 12: not WxH, such as 813x653" render x --size 12
usage_error "--size 100000x100000: at most 8192x8192" render x --size 100000x100000
usage_error "--size 8193x1: at most 8192x8192" render x --size 8193x1
usage_error "--size: WxH is missing" render x --size
usage_error "--speed: not an option of render" render x --speed 5
usage_error "--speed 0: a whole number from 1 to 100" replay x --speed 0
usage_error "--speed 101: a whole number from 1 to 100" replay x --speed 101
usage_error "--json: not an option of replay" replay x --json y
usage_error "--png: OUT is missing" replay x --png
usage_error "--png '': the file name is empty" render x --png ''
usage_error "--json '': the file name is empty" render x --json ''
usage_error "--png '': the file name is empty" replay x --png ''
usage_error "--png-every 0 d: K is a whole number from 1 to 999999999" replay x --png-every 0 d
usage_error "--png-every: K and DIR are missing" replay x --png-every 5
usage_error "--png-every k d: K is a whole number from 1 to 999999999" replay x --png-every k d
usage_error "--png-every 5 '': the folder name is empty" replay x --png-every 5 ''
usage_error "--png-every: not an option of render" render x --png-every 5 d
usage_error "--scale 0.5: a number from 1 to 8, such as 2 or 1.5" render x --scale 0.5
usage_error "--scale 8.5: a number from 1 to 8, such as 2 or 1.5" replay x --scale 8.5
usage_error "--scale 2x: a number from 1 to 8, such as 2 or 1.5" render x --scale 2x
usage_error "--scale 1e0: a number from 1 to 8, such as 2 or 1.5" render x --scale 1e0
usage_error "--scale '': a number from 1 to 8, such as 2 or 1.5" render x --scale ''
usage_error "--scale: S is missing" render x --scale
usage_error "--scale 2.5: 8000x6000 at this density is 20000x15000 pixels, more than 16384x16384" \
    render x --scale 2.5 --size 8000x6000
usage_error "--scale 8: 2049x100 at this density is 16392x800 pixels, more than 16384x16384" \
    replay x --size 2049x100 --scale 8
usage_error "--frob: unknown option" render x --frob
usage_error "--json -: standard output already takes the PNG" render x --png - --json -
usage_error "--svg -: standard output already takes the PNG" render x --png - --svg -
usage_error "--pdf -: standard output already takes the SVG" render x --svg - --pdf -
usage_error "--svg: OUT is missing" render x --svg
usage_error "--pdf '': the file name is empty" render x --pdf ''
usage_error "--svg: not an option of replay" replay x --svg y
usage_error "--pdf: not an option of replay" replay x --pdf y
usage_error "read: PATH is missing" read
usage_error "y: only one PATH may be given" read x y
usage_error "frobnicate: unknown command" frobnicate x
# Nothing was written by any of them.
check "usage errors write nothing" "$([[ ! -e x && ! -e y && ! -e d ]]; echo $?)"

# Writing: every output goes to a new file beside its name, renamed over it when complete.
# A device that takes no byte: as root a node of the test's own, so that a tool that
# wrongly removed or replaced it could not harm the machine's /dev/full.
full=/dev/full
if [[ $(id -u) -eq 0 ]] && mknod "$work/full" c 1 7 2>/dev/null; then full=$work/full; fi
data=$src/data/proba2.txt
mkdir "$work/out-dir"
cd "$work/out-dir" || exit 1

# A disk that fills up (the system takes at most 1 KiB per file): the old picture stays.
head -c 3000 /dev/urandom >old.png
cp old.png old.copy
(ulimit -f 1; trap '' XFSZ; exec "$tool" render "$data" --png old.png) >/dev/null 2>"$work/err"
check "full disk exits 1" $(($? != 1))
check "full disk message" "$([[ $(cat "$work/err") == "Cannot write old.png: File too large." ]]; echo $?)"
check "full disk keeps the old picture" "$(cmp -s old.png old.copy; echo $?)"
(ulimit -f 1; trap '' XFSZ; exec "$tool" render "$data" --json old.copy) >/dev/null 2>"$work/err"
check "full disk keeps the old layout" "$(cmp -s old.png old.copy; echo $?)"
(ulimit -f 1; trap '' XFSZ; exec "$tool" render "$data" --svg old.png) >/dev/null 2>"$work/err"
check "full disk svg message" "$([[ $(cat "$work/err") == "Cannot write old.png: File too large." ]]; echo $?)"
check "full disk keeps the old picture for svg" "$(cmp -s old.png old.copy; echo $?)"
(ulimit -f 1; trap '' XFSZ; exec "$tool" replay "$work/hundred.txt" --no-pause --png-every 50 frames) \
    >/dev/null 2>"$work/err"
check "full disk frames exit 1" $(($? != 1))
check "full disk frames message" "$(grep -qx 'Cannot write frames/frame-000050.png: File too large.' "$work/err"; echo $?)"
check "full disk leaves no file" "$([[ $(ls -A | tr '\n' ' ') == "frames old.copy old.png " && -z $(ls -A frames) ]]; echo $?)"

# A full device, itself or through a link: the reason, and the device and link stay.
ln -s "$full" full.png
for out in "$full" full.png; do
    "$tool" render "$data" --png "$out" >/dev/null 2>"$work/err"
    check "device exits 1: $out" $(($? != 1))
    check "device message: $out" "$([[ $(cat "$work/err") == "Cannot write $out: No space left on device." ]]; echo $?)"
    "$tool" render "$data" --json "$out" >/dev/null 2>"$work/err"
    check "device json message: $out" "$([[ $(cat "$work/err") == "Cannot write $out: No space left on device." ]]; echo $?)"
    "$tool" render "$data" --pdf "$out" >/dev/null 2>"$work/err"
    check "device pdf message: $out" "$([[ $(cat "$work/err") == "Cannot write $out: No space left on device." ]]; echo $?)"
done
check "device stays" "$([[ -c $full ]]; echo $?)"
check "link to device stays" "$([[ -L full.png && -c full.png ]]; echo $?)"

# A link to a picture: the picture is written, the link stays a link.
cp old.copy target.png
ln -s target.png link.png
"$tool" render "$data" --png link.png 2>"$work/err"
check "link exits 0" $?
check "link stays" "$([[ -L link.png && $(readlink link.png) == target.png ]]; echo $?)"
check "link's file written" "$(cmp -s target.png "$work/r.png"; echo $?)"

# A FIFO is written in place, for whoever reads it.
mkfifo pipe.png
# Bounded: a tool that never opened the FIFO must not leave the test waiting.
timeout 20 cat pipe.png >from-pipe.png &
reader=$!
"$tool" render "$data" --png pipe.png 2>"$work/err"
check "fifo exits 0" $?
wait "$reader"
check "fifo carries the picture" "$(cmp -s from-pipe.png "$work/r.png"; echo $?)"
check "fifo stays" "$([[ -p pipe.png ]]; echo $?)"

# '-' is standard output; replay's counts then go to standard error.
"$tool" render "$data" --png - >stdout.png 2>"$work/err"
check "png to stdout" "$(cmp -s stdout.png "$work/r.png"; echo $?)"
"$tool" render "$data" --json - >stdout.json 2>"$work/err"
check "json to stdout" "$(cmp -s stdout.json "$work/r.json"; echo $?)"
"$tool" replay "$data" --no-pause --png - >replay.png 2>"$work/err"
check "replay png to stdout" "$(cmp -s replay.png "$work/r.png"; echo $?)"
check "replay counts on stderr" "$(grep -qx 'frames: 400' "$work/err"; echo $?)"
"$tool" render "$data" --png /dev/stdout >dev-stdout.png 2>"$work/err"
check "png to /dev/stdout" "$(cmp -s dev-stdout.png "$work/r.png"; echo $?)"

# Standard output that cannot take the bytes is an error with the reason.
for args in "--help" "--version" "read $data" "replay $data --no-pause" "render $data --png -" "render $data --json -" \
    "render $data --svg -"; do
    # shellcheck disable=SC2086
    "$tool" $args >"$full" 2>"$work/err"
    check "full stdout exits 1: $args" $(($? != 1))
    check "full stdout message: $args" "$([[ $(cat "$work/err" | tail -1) == "Cannot write standard output: No space left on device." ]]; echo $?)"
done
cd "$work" || exit 1

# Usage.
"$tool" >/dev/null 2>"$work/err"
check "no arguments exit 2" $(($? != 2))
check "usage on stderr" "$(grep -q usage "$work/err"; echo $?)"
"$tool" --help >"$work/out"
check "help exit 0" $?
check "help on stdout" "$(grep -q usage "$work/out"; echo $?)"
check "help names --version" "$(grep -qe '--version' "$work/out"; echo $?)"
"$tool" --version >"$work/out" 2>"$work/err"
check "version exit 0" $?
check "version line" "$([[ $(cat "$work/out") == "vemora-plot ${VEMORA_VERSION:?}" ]]; echo $?)"
check "version stderr empty" "$([[ ! -s "$work/err" ]]; echo $?)"

echo "vemora-plot: $passes passed, $failures failed"
[[ $failures -eq 0 ]]
