#!/usr/bin/env bash
# Installs the Debian 12 packages Quorvane needs to build and test, skipping
# those already present, and the album checker's HTML validator from npm.
# Safe to run repeatedly; never asks a question.
set -euo pipefail
tools_dir=$(cd "$(dirname "$0")" && pwd)

packages=(
    cmake g++ make pkg-config
    libjpeg62-turbo-dev
    libjpeg-turbo-progs  # djpeg: the decoding anchors of bench/README.md
    libgtest-dev
    python3
    qt6-base-dev
)

# Movie replay in the preview: Qt Multimedia to build, and the GStreamer
# plugins it plays through. "ugly" holds the demuxer of .wmv files.
packages+=(
    qt6-multimedia-dev
    gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-bad
    gstreamer1.0-plugins-ugly gstreamer1.0-libav
)

# Packaging: dpkg-shlibdeps finds the .deb's dependencies (`make package`);
# the install test validates the menu entry and metainfo and runs the bash
# completion.
packages+=(
    dpkg-dev
    desktop-file-utils appstream bash-completion
)

# Today's picture formats: HEIC/HEIF and AVIF (libheif, whose Debian 12
# build carries its HEVC and AV1 decoders), PNG and WebP.
packages+=(libheif-dev libpng-dev libwebp-dev)

# Movie poster frames and facts: FFmpeg's demuxers, decoders and scaler;
# web copies of movies: its encoders (Debian's build has libx264 and AAC),
# MP4 writer and sound resampler.
packages+=(libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev)

# Publishing: libcurl (with OpenSSL, whose libcrypto also hashes the files
# for the upload manifest), and the FTP server the upload tests start.
packages+=(
    libcurl4-openssl-dev libssl-dev
    python3-pyftpdlib python3-openssl openssl
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -ne 0 ]; then
    if [ "$(id -u)" -ne 0 ]; then
        sudo=sudo
    else
        sudo=
    fi
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -qq
    $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null
fi

# html-validate, at the version tools/package-lock.json pins, for the album
# checker (tools/check_album.py). It needs Node.js 20 or later with npm.
# The copy of the lock file beside it tells whether it is still that version.
stamp="$tools_dir/node_modules/.installed-package-lock.json"
if [ ! -x "$tools_dir/node_modules/.bin/html-validate" ] || ! cmp -s "$tools_dir/package-lock.json" "$stamp"; then
    if ! command -v npm >/dev/null; then
        echo "npm is missing: install Node.js 20 or later with npm, then run $0 again" >&2
        exit 1
    fi
    echo "Installing html-validate into $tools_dir/node_modules"
    (cd "$tools_dir" && npm ci --no-audit --no-fund --loglevel=error)
    cp "$tools_dir/package-lock.json" "$stamp"
fi
