#!/usr/bin/env bash
# Installs the Debian 12 packages the project needs, only when one is missing.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-image-formats-plugins qt6-qpa-plugins libgl-dev
  libsqlite3-dev sqlite3
  libhowardhinnant-date-dev tzdata libssl-dev
  libpq-dev postgresql
  libgtest-dev libgmock-dev libbenchmark-dev python3
  xvfb xauth imagemagick x11-utils xdotool clang-format
  fonts-dejavu-core
  x11vnc
  dpkg-dev fakeroot desktop-file-utils appstream lintian librsvg2-bin
  systemd graphviz  # systemd-analyze for the units' check; dot for docs/architecture.svg
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
