#!/usr/bin/env bash
# Installs every Debian 12 package Quillon needs to build, test, benchmark and run.
# Idempotent: packages already present are left alone. Runs apt-get as root or through sudo.
set -euo pipefail

PACKAGES=(
  # toolchain and test tools
  build-essential cmake clang clang-format libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  # runtime libraries
  qt6-base-dev qt6-translations-l10n libgl-dev libcurl4-openssl-dev ca-certificates duktape-dev
  fonts-wqy-microhei
  # test servers and certificates
  openssl libssl-dev
  # benchmark comparisons (bench/ only)
  libpugixml-dev librapidxml-dev libtinyxml2-dev libxml2-dev libxml2-utils
  # showing the window on a machine without a display
  xvfb xauth
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=()
[ "$(id -u)" -eq 0 ] || SUDO=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${SUDO[@]}" apt-get update -q
"${SUDO[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
