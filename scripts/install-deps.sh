#!/usr/bin/env bash
# Installs the Debian packages Glyphon needs to build, test and run, and only those that are missing.
# Safe to re-run: with everything present it does nothing.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-svg-dev qt6-websockets-dev qt6-image-formats-plugins libgl-dev
    libdeflate-dev libsodium-dev
    googletest libgtest-dev libbenchmark-dev
    imagemagick pngcheck icoutils icnsutils aapt chromium librsvg2-bin hicolor-icon-theme
    desktop-file-utils appstream
    xvfb xauth
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

cmd=(apt-get install -y --no-install-recommends "${missing[@]}")
echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${cmd[@]}"
elif command -v sudo >/dev/null 2>&1; then
    sudo apt-get update -qq
    sudo DEBIAN_FRONTEND=noninteractive "${cmd[@]}"
else
    echo "Please run as root: apt-get update && ${cmd[*]}" >&2
    exit 1
fi
