#!/usr/bin/env bash
# Installs every build and test dependency from Debian 12 packages. Idempotent and
# quiet: it asks apt only for what is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ make pkg-config ccache
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  clang-format
  clang libclang-rt-dev
  libpng-dev libtiff-dev libgeotiff-dev geotiff-bin
  libgdal-dev gdal-bin python3-gdal
  python3
  g++-mingw-w64-i686 g++-mingw-w64-x86-64
  wine wine32:i386
)

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive

# The 32-bit Windows module is tested under 32-bit Wine, which comes from the i386
# architecture; a machine that lacks it gets it once, and apt's lists with it.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "setup-deps: adding the i386 architecture for wine32"
  $SUDO dpkg --add-architecture i386
  $SUDO apt-get update -qq >/dev/null
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup-deps: installing ${missing[*]}"
  $SUDO apt-get update -qq >/dev/null
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
