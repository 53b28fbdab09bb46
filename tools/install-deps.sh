#!/usr/bin/env bash
# Installs the Debian 12 packages Quorvane needs to build and test, skipping
# those already present. Safe to run repeatedly; never asks a question.
set -euo pipefail

packages=(
    cmake g++ make pkg-config
    libjpeg62-turbo-dev
    libgtest-dev
)

# Movie replay in the preview: Qt Multimedia to build, and the GStreamer
# plugins it plays through. "ugly" holds the demuxer of .wmv files.
packages+=(
    qt6-multimedia-dev
    gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-bad
    gstreamer1.0-plugins-ugly gstreamer1.0-libav
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
    sudo=sudo
else
    sudo=
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null
