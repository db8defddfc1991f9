#!/usr/bin/env bash
# Installs the build into a fresh prefix as a user would, and checks what lands there:
# the program, its sample, its desktop entry and its icon, and nothing else; the
# installed program finds its sample. With "package", the Debian package built from the
# same build gets the same check, under /usr, and names the packages the program needs.
# Usage: install_test.sh CMAKE CPACK BUILD_DIR [package]
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

for tool in desktop-file-validate xmllint dpkg-deb; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing (scripts/setup.sh installs it)" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The program reports its sample by its real path: /tmp may be a link.
work=$(cd "$work" && pwd -P)

expected_files=$(printf '%s\n' \
    bin/Vemora_1 \
    share/applications/vemora.desktop \
    share/icons/hicolor/scalable/apps/vemora.svg \
    share/vemora/proba2.txt)

# Everything a tree holds below ROOT, as sorted relative paths of files and links.
files_under() {
    (cd "$1" && find . \( -type f -o -type l \) | sed 's|^\./||' | LC_ALL=C sort)
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
    [[ -x "$prefix/bin/Vemora_1" ]] || fail "$label: bin/Vemora_1 is not executable"
    cmp -s "$prefix/share/vemora/proba2.txt" "$source_sample" ||
        fail "$label: share/vemora/proba2.txt is not the sample data file"

    local desktop=$prefix/share/applications/vemora.desktop
    if [[ -f "$desktop" ]]; then
        local report
        # The validator reports warnings and hints with status 0; none is accepted.
        if ! report=$(desktop-file-validate "$desktop" 2>&1) || [[ -n "$report" ]]; then
            fail "$label: desktop-file-validate complains:"
            echo "$report" >&2
        fi
        for line in 'Type=Application' 'Name=Vemora' 'Exec=Vemora_1 %f' 'Icon=vemora' \
                    'Terminal=false' 'MimeType=text/plain;'; do
            grep -qxF "$line" "$desktop" || fail "$label: the desktop entry lacks '$line'"
        done
        grep -qE '^Comment=.+' "$desktop" || fail "$label: the desktop entry has no Comment"
        grep -qE '^Categories=.+;$' "$desktop" || fail "$label: the desktop entry has no Categories"
    fi

    local icon=$prefix/share/icons/hicolor/scalable/apps/vemora.svg
    if [[ -f "$icon" ]]; then
        xmllint --noout "$icon" || fail "$label: the icon is not well-formed XML"
        [[ "$(xmllint --xpath 'local-name(/*)' "$icon" 2>/dev/null)" == svg ]] ||
            fail "$label: the icon's root element is not svg"
    fi

    local output status=0 last
    # The usage needs no display.
    output=$(env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/Vemora_1" --help 2>&1) || status=$?
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
    version=$(dpkg-deb -f "$deb" Version)
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
