#!/usr/bin/env bash
# Installs the Debian packages the kiosk and its tests need; does nothing when all are there.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  libglib2.0-dev libgtkmm-3.0-dev libwebkit2gtk-4.1-dev libsoup-3.0-dev
  libx11-dev libxi-dev libxtst-dev libxss-dev libxext-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xdotool x11-utils
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)
echo "Installing: ${missing[*]}"
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
