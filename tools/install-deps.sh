#!/usr/bin/env bash
# Installs the Debian 12 packages Quorvane needs to build and test, skipping
# those already present. Safe to run repeatedly; never asks a question.
set -euo pipefail

packages=(
    cmake g++ make pkg-config
    libjpeg62-turbo-dev
    libgtest-dev
    qt6-base-dev
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
