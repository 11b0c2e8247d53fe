#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the main job need; only what is missing.
# Packages named on the command line are wanted as well (the fuzzing build asks for its compiler).
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libqt6sql6-psql libxkbcommon-dev
  libcups2-dev cups cups-bsd cups-filters printer-driver-cups-pdf
  fonts-liberation2 fonts-dejavu-core fontconfig
  poppler-utils
  libreoffice-writer-nogui
  qt6-svg-dev libemf2svg-dev libwmf-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  sqlite3 libsqlite3-dev postgresql
  valgrind
  "$@"
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
