#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running need,
# and only those that are missing. Runs as root (no sudo). Packages named
# as arguments are needed too (scripts/fuzz.sh names clang's).
set -euo pipefail

packages=(
  cmake make g++
  qt6-base-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  binutils-avr gcc-avr avr-libc srecord
  libelf-dev
  libftdi1-dev pkg-config
  fonts-liberation
  librsvg2-bin
  desktop-file-utils appstream man-db
  dpkg-dev file
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "deps.sh: missing packages: ${missing[*]}; run as root to install them" >&2
  exit 1
fi

echo "deps.sh: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq "${missing[@]}"
