#!/usr/bin/env bash
# Installs the Debian packages the kiosk and its tests need; does nothing when all are there.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  libglib2.0-dev libgtkmm-3.0-dev libwebkit2gtk-4.1-dev libsoup-3.0-dev
  libx11-dev libxi-dev libxtst-dev libxss-dev libxext-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xdotool x11-utils locales
)

# Site lists sort with the user's collation; the tests compare accented names in en_US.UTF-8.
ensure_locale() {
  locale -a 2>/dev/null | grep -qi '^en_US\.utf-\?8$' && return 0
  "${sudo[@]}" localedef -i en_US -f UTF-8 en_US.UTF-8
}

sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
ensure_locale
