#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, where missing;
# packages named as arguments are installed with them.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  qt6-base-dev libgl-dev qt6-translations-l10n
  libgtest-dev
  libssl-dev zlib1g-dev libisal-dev
  xvfb xauth fonts-dejavu-core fonts-wine
  openssl nginx-light tinyproxy curl
  clang libclang-rt-dev clang-format clang-tidy
  zip unzip p7zip-full libarchive-tools python3
  "$@"
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
