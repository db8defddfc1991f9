#!/usr/bin/env bash
# Installs the build into a fresh prefix as a user would, and checks what lands there: the
# two programs, the sample, the desktop entry, AppStream description and icons, the manual
# pages, the copyright and changelog, and nothing else; the installed programs tell their
# version without a display, and the window finds its sample. With "package", the Debian
# package built from the same build gets the same check, under /usr, names the packages
# the program needs, and lintian has nothing to say about it.
# Usage: VEMORA_VERSION=x.y.z install_test.sh CMAKE CPACK BUILD_DIR [package]
set -euo pipefail

cmake_cmd=$1
cpack_cmd=$2
build_dir=$3
check_package=${4:-}

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

version=${VEMORA_VERSION:?the project version is not given}

tools=(desktop-file-validate xmllint dpkg-deb dpkg-parsechangelog appstreamcli man file)
[[ "$check_package" == package ]] && tools+=(lintian)
for tool in "${tools[@]}"; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing (scripts/setup.sh installs it)" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The program reports its sample by its real path: /tmp may be a link.
work=$(cd "$work" && pwd -P)

id=org.vemora.Vemora
expected_files=$(printf '%s\n' \
    bin/Vemora_1 \
    bin/vemora-plot \
    share/applications/$id.desktop \
    share/doc/vemora/changelog.gz \
    share/doc/vemora/copyright \
    share/icons/hicolor/256x256/apps/$id.png \
    share/icons/hicolor/48x48/apps/$id.png \
    share/icons/hicolor/scalable/apps/$id.svg \
    share/man/man1/Vemora_1.1.gz \
    share/man/man1/vemora-plot.1.gz \
    share/metainfo/$id.metainfo.xml \
    share/vemora/proba2.txt | LC_ALL=C sort)

# Everything a tree holds below ROOT, as sorted relative paths of files and links.
files_under() {
    (cd "$1" && find . \( -type f -o -type l \) | sed 's|^\./||' | LC_ALL=C sort)
}

# The text or number XPath expression $2 gives in the XML file $1.
xpath_of() { xmllint --xpath "$2" "$1" 2>/dev/null; }

# Fails unless the gzip file $2 was made as Debian wants it, `gzip -n -9`: no name and no
# time in its header (the same bytes from the same text), and the best compression.
check_gzip() {
    local label=$1 gz=$2 header
    header=$(od -An -tx1 -N9 "$gz" | tr -d ' \n')
    # ID1 ID2 CM FLG MTIME(4) XFL: deflate, no flags, no time, XFL 2 = slowest.
    [[ "$header" == 1f8b08000000000002 ]] ||
        fail "$label: ${gz##*/} is not compressed as gzip -n -9 (header $header)"
}

# The menu entry, the AppStream description and the icons agree with each other and
# with the window: one id names them all.
check_desktop() {
    local label=$1 prefix=$2
    local desktop=$prefix/share/applications/$id.desktop
    [[ -f "$desktop" ]] || return 0
    local report
    # The validator reports warnings and hints with status 0; none is accepted.
    if ! report=$(desktop-file-validate "$desktop" 2>&1) || [[ -n "$report" ]]; then
        fail "$label: desktop-file-validate complains:"
        echo "$report" >&2
    fi
    for line in 'Type=Application' 'Name=Vemora' 'Exec=Vemora_1 %f' "Icon=$id" \
                'Terminal=false' 'MimeType=text/plain;' 'StartupWMClass=Vemora_1'; do
        grep -qxF "$line" "$desktop" || fail "$label: the desktop entry lacks '$line'"
    done
    grep -qE '^Comment=.+' "$desktop" || fail "$label: the desktop entry has no Comment"
    grep -qE '^Categories=.+;$' "$desktop" || fail "$label: the desktop entry has no Categories"

    local metainfo=$prefix/share/metainfo/$id.metainfo.xml
    [[ -f "$metainfo" ]] || return 0
    # Errors, warnings and infos all fail; the pedantic hints do not.
    local status=0
    report=$(appstreamcli validate --no-net "$metainfo" 2>&1) || status=$?
    if [[ $status -ne 0 ]] || grep -qE '^[EWI]: ' <<<"$report"; then
        fail "$label: appstreamcli validate --no-net complains (status $status):"
        echo "$report" >&2
    fi
    [[ "$(xpath_of "$metainfo" 'string(/component/id)')" == "$id" ]] ||
        fail "$label: the metainfo's id is not $id"
    [[ "$(xpath_of "$metainfo" 'string(/component/launchable[@type="desktop-id"])')" == "$id.desktop" ]] ||
        fail "$label: the metainfo does not launch $id.desktop"
    [[ "$(xpath_of "$metainfo" 'string(/component/releases/release[1]/@version)')" == "$version" ]] ||
        fail "$label: the metainfo's latest release is not $version"
    for binary in Vemora_1 vemora-plot; do
        [[ "$(xpath_of "$metainfo" "count(/component/provides/binary[text()='$binary'])")" == 1 ]] ||
            fail "$label: the metainfo does not provide $binary"
    done

    local icons=$prefix/share/icons/hicolor
    for size in 48 256; do
        local png=$icons/${size}x${size}/apps/$id.png
        [[ -f "$png" ]] || continue
        [[ "$(file -b "$png")" == "PNG image data, $size x $size, "* ]] ||
            fail "$label: ${png#"$prefix"/} is not a ${size}x${size} PNG: $(file -b "$png")"
    done
    local svg=$icons/scalable/apps/$id.svg
    if [[ -f "$svg" ]]; then
        xmllint --noout "$svg" || fail "$label: the icon is not well-formed XML"
        [[ "$(xmllint --xpath 'local-name(/*)' "$svg" 2>/dev/null)" == svg ]] ||
            fail "$label: the icon's root element is not svg"
    fi
}

# Every manual page renders without a warning, has its NAME line, and describes every
# option its program's usage lists.
check_manuals() {
    local label=$1 prefix=$2 program
    for program in Vemora_1 vemora-plot; do
        local page=$prefix/share/man/man1/$program.1.gz
        [[ -f "$page" ]] || continue
        check_gzip "$label" "$page"
        local warnings text
        warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)
        [[ -z "$warnings" ]] || { fail "$label: man warns about $program.1:"; echo "$warnings" >&2; }
        # One paragraph a line, so that no option is broken at the end of a line.
        text=$(LC_ALL=C.UTF-8 MANWIDTH=1000 man -E UTF-8 -l "$page" 2>/dev/null)
        grep -qE "^ +$program - .+" <<<"$text" || fail "$label: $program.1 has no NAME line"
        local usage option
        usage=$(env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/$program" --help 2>&1 || true)
        for option in $(grep -oE -- '--[a-z][a-z-]*' <<<"$usage" | LC_ALL=C sort -u); do
            grep -qE -- "(^|[^a-z-])$option([^a-z-]|$)" <<<"$text" ||
                fail "$label: $program.1 does not describe $option of its usage"
        done
    done
}

# The copyright is machine-readable and grants the licence of the source tree; the
# changelog's latest entry is this version's.
check_docs() {
    local label=$1 prefix=$2
    local copyright=$prefix/share/doc/vemora/copyright
    if [[ -f "$copyright" ]]; then
        head -1 "$copyright" |
            grep -qxF 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
            fail "$label: the copyright file is not in the machine-readable format"
        # The licence paragraph's text: its continuation lines, "." being an empty line.
        local granted
        granted=$(awk '/^License: / { on = 1; next }
                       !/^ / { on = 0 }
                       on { sub(/^ /, ""); if ($0 == ".") $0 = ""; print }' "$copyright")
        [[ "$granted" == "$(sed -n '/^Permission is hereby/,$p' "$source_dir/LICENSE")" ]] ||
            fail "$label: the copyright file's licence is not the one in LICENSE"
    fi
    local changelog=$prefix/share/doc/vemora/changelog.gz
    if [[ -f "$changelog" ]]; then
        check_gzip "$label" "$changelog"
        local parsed complaints
        zcat "$changelog" >"$work/changelog"
        complaints=$(dpkg-parsechangelog -l "$work/changelog" 2>&1 >/dev/null)
        [[ -z "$complaints" ]] || { fail "$label: the changelog does not parse:"; echo "$complaints" >&2; }
        parsed=$(dpkg-parsechangelog -l "$work/changelog" -S Source 2>/dev/null)/$(
            dpkg-parsechangelog -l "$work/changelog" -S Version 2>/dev/null)
        [[ "$parsed" == "vemora/$version" ]] ||
            fail "$label: the changelog's latest entry is $parsed, not vemora/$version"
    fi
}

# Checks an installed tree whose files are all below PREFIX (absolute, canonical).
check_tree() {
    local label=$1 prefix=$2
    if [[ ! -d "$prefix" ]]; then
        fail "$label: nothing is installed in $prefix"
        return
    fi
    local listed
    listed=$(files_under "$prefix")
    if [[ "$listed" != "$expected_files" ]]; then
        fail "$label: the installed files differ from the expected ones"
        diff <(echo "$expected_files") <(echo "$listed") >&2 || true
    fi
    for program in Vemora_1 vemora-plot; do
        [[ -x "$prefix/bin/$program" ]] || fail "$label: bin/$program is not executable"
    done
    cmp -s "$prefix/share/vemora/proba2.txt" "$source_sample" ||
        fail "$label: share/vemora/proba2.txt is not the sample data file"

    check_desktop "$label" "$prefix"
    check_manuals "$label" "$prefix"
    check_docs "$label" "$prefix"

    local output status last
    # The usage and the version need no display, nor a platform named for Qt.
    for program in Vemora_1 vemora-plot; do
        status=0
        output=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
            "$prefix/bin/$program" --version 2>&1) || status=$?
        [[ $status -eq 0 && "$output" == "$program $version" ]] ||
            fail "$label: $program --version exited with $status and printed '$output'"
    done
    status=0
    output=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/Vemora_1" --help 2>&1) ||
        status=$?
    [[ $status -eq 0 ]] || fail "$label: Vemora_1 --help exited with $status"
    last=$(tail -n 1 <<<"$output")
    if [[ "$last" != "  $prefix/share/vemora/proba2.txt" ]]; then
        fail "$label: Vemora_1 --help does not end with the installed sample"
        echo "  expected: '  $prefix/share/vemora/proba2.txt'" >&2
        echo "  got:      '$last'" >&2
    fi
}

source_dir=$(cd "$(dirname "$0")/../.." && pwd -P)
source_sample=$source_dir/data/proba2.txt

# The prefix is fresh and empty, so whatever is in it came from this install.
prefix=$work/prefix
"$cmake_cmd" --install "$build_dir" --prefix "$prefix" >"$work/install.log" ||
    { cat "$work/install.log" >&2; fail "cmake --install failed"; exit 1; }
check_tree "cmake --install" "$prefix"

if [[ "$check_package" == package ]]; then
    pkgdir=$work/package
    "$cpack_cmd" -G DEB -B "$pkgdir" --config "$build_dir/CPackConfig.cmake" \
        >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log" >&2; fail "cpack failed"; exit 1; }
    shopt -s nullglob
    debs=("$pkgdir"/vemora_*_*.deb)
    shopt -u nullglob
    if [[ ${#debs[@]} -ne 1 ]]; then
        fail "cpack made ${#debs[@]} packages named vemora_VERSION_ARCH.deb, not one"
        ls -la "$pkgdir" >&2
        exit 1
    fi
    deb=${debs[0]}
    [[ "$(dpkg-deb -f "$deb" Version)" == "$version" ]] ||
        fail "the package's version is $(dpkg-deb -f "$deb" Version), not $version"
    arch=$(dpkg --print-architecture)
    [[ "$(basename "$deb")" == "vemora_${version}_${arch}.deb" ]] ||
        fail "the package is named $(basename "$deb"), not vemora_${version}_${arch}.deb"
    [[ "$(dpkg-deb -f "$deb" Package)" == vemora ]] || fail "the package is not called vemora"
    [[ -n "$(dpkg-deb -f "$deb" Maintainer)" ]] || fail "the package has no maintainer"
    [[ -n "$(dpkg-deb -f "$deb" Description)" ]] || fail "the package has no description"
    section=$(dpkg-deb -f "$deb" Section)
    [[ "$section" == science || "$section" == math ]] ||
        fail "the package's section is '$section'"

    # dpkg-deb -c: "mode owner size date time ./path"; the files, without the leading "./usr/".
    contents=$(dpkg-deb -c "$deb")
    packaged=$(awk '$1 ~ /^[-l]/ {print $6}' <<<"$contents" | sed 's|^\./usr/||' | LC_ALL=C sort)
    if [[ "$packaged" != "$expected_files" ]]; then
        fail "the package's files under ./usr differ from the expected ones"
        diff <(echo "$expected_files") <(echo "$packaged") >&2 || true
    fi
    grep -q ' \./usr/bin/Vemora_1$' <<<"$contents" || fail "the package lacks ./usr/bin/Vemora_1"
    owners=$(awk '$2 != "root/root"' <<<"$contents")
    [[ -z "$owners" ]] || { fail "the package has entries not owned by root:"; echo "$owners" >&2; }

    # lintian, Debian's own check of packages, at its default profile: not a word. As root
    # it says so on stderr, which is all it may say there.
    status=0
    lintian --tag-display-limit 0 "$deb" >"$work/lintian.out" 2>"$work/lintian.err" || status=$?
    grep -vxF 'running with root privileges is not recommended!' "$work/lintian.err" \
        >>"$work/lintian.out" || true
    if [[ $status -ne 0 || -s "$work/lintian.out" ]]; then
        fail "lintian complains about the package (status $status):"
        cat "$work/lintian.out" >&2
    fi

    depends=$(dpkg-deb -f "$deb" Depends)
    for needed in libqt6widgets6 qt6-qpa-plugins fontconfig fonts-liberation2; do
        # A package name ends at a space, a comma, a version or the end of the field.
        grep -qE "(^|[ ,])${needed}([ ,(]|$)" <<<"$depends" ||
            fail "the package's Depends does not name $needed: $depends"
    done

    extracted=$work/extracted
    dpkg-deb -x "$deb" "$extracted"
    check_tree "the package" "$extracted/usr"
fi

if [[ $failures -ne 0 ]]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "install checks passed"
