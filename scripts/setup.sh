#!/usr/bin/env bash
# Installs the Debian packages this project needs, only those that are missing.
# Quiet and quick when everything is already there; runs apt-get update only when
# something must be installed. Usage: scripts/setup.sh [--bench]
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config git
    qt6-base-dev qt6-qpa-plugins
    libfreetype-dev libfontconfig-dev fontconfig fonts-liberation2
    libpng-dev
    libcairo2-dev  # the vector medium: SVG and PDF surfaces
    libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-14-dev
    libxcb1-dev libxcb-shm0-dev  # the window's own puts to an X server
    xvfb xauth imagemagick xdotool
    x11-utils  # xprop: the window's class and icon
    desktop-file-utils libxml2-utils file  # the install and package checks
    lintian appstream man-db dpkg-dev  # the package's: lintian, appstreamcli, man, dpkg-parsechangelog
    librsvg2-bin poppler-utils  # the icons drawn at build time; the SVG, PDF and printed page checks
)
if [[ "${1:-}" == "--bench" ]]; then
    packages+=(python3 python3-matplotlib valgrind)
fi

missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    if [[ "$status" != "install ok installed" ]]; then
        missing+=("$p")
    fi
done

if [[ ${#missing[@]} -eq 0 ]]; then
    exit 0
fi

if [[ $(id -u) -eq 0 ]]; then
    sudo_cmd=()
elif command -v sudo >/dev/null 2>&1; then
    sudo_cmd=(sudo)
else
    echo "setup: these packages are missing and I am not root (and there is no sudo):" >&2
    echo "  ${missing[*]}" >&2
    exit 1
fi

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
