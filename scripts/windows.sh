#!/usr/bin/env bash
# The Windows build, from this machine: installs Debian's MinGW-w64 and Wine, cross-builds
# OpenSSL from Debian's source package (once, into build/windows/), builds the core and
# its Windows tests for 64-bit Windows, and runs them under Wine in a prefix of their own.
# (The window for Windows is still to come; this covers the core and the Windows host.)
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
work="$root/build/windows"
mkdir -p "$work"

packages=(g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix libz-mingw-w64-dev wine64 dpkg-dev)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

openssl="$work/openssl-x86_64"
if [ ! -f "$openssl/lib64/libssl.a" ]; then
  # Debian's OpenSSL source: the source lists are added beside the binary ones.
  if ! apt-get indextargets --format '$(CREATED_BY)' 2>/dev/null | grep -q '^Sources$'; then
    sed -e 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
      > /etc/apt/sources.list.d/debian-src.sources
    apt-get update -qq
  fi
  rm -rf "$work/openssl-src" && mkdir -p "$work/openssl-src"
  (cd "$work/openssl-src" && apt-get source -qq --download-only openssl >/dev/null 2>&1 || true)
  tarball=$(ls "$work"/openssl-src/openssl_*.orig.tar.gz | head -1)
  tar xzf "$tarball" -C "$work/openssl-src"
  (cd "$work"/openssl-src/openssl-*/ &&
    ./Configure mingw64 no-shared no-tests no-engine no-dso --cross-compile-prefix=x86_64-w64-mingw32- \
      --prefix="$openssl" >/dev/null &&
    make -j2 build_libs >/dev/null && make install_dev >/dev/null)
fi

cmake -S . -B build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release \
  -DOPENSSL_ROOT_DIR="$openssl" >/dev/null
cmake --build build/win64 -j2 --target windows_unit_tests

export WINEPREFIX="$work/wineprefix" WINEDEBUG=-all
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine64)
"$wine" "$root/build/win64/tests/windows_unit_tests.exe"
