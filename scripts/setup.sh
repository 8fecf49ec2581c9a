#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Vexaris need.
# Quick when everything is already there: apt-get runs only for missing packages.
set -euo pipefail

packages=(
    build-essential cmake pkg-config clang clang-format libclang-rt-14-dev
    qt6-base-dev qt6-qpa-plugins libgl-dev
    libsqlite3-dev sqlite3
    libjpeg62-turbo-dev libjpeg-turbo-progs libpng-dev zlib1g-dev libtiff-dev libtiff-tools libgif-dev
    libmagickcore-6.q16-dev imagemagick
    libheif-dev libdav1d-dev libheif-examples libwebp-dev webp libavif-dev libavif-bin libjxl-dev libjxl-tools
    gettext
    libgtest-dev googletest
    fp-utils
    tango-icon-theme fonts-dejavu-core
    xvfb xauth
    desktop-file-utils appstream
    dpkg-dev file lintian
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
