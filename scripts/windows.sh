#!/usr/bin/env bash
# The Windows build, from this machine: installs Debian's MinGW-w64 and Wine, cross-builds
# OpenSSL from Debian's source package (once, into build/windows/), builds the core and
# its Windows tests for 64-bit Windows, and runs them under Wine in a prefix of their own.
# Also builds the same for 32-bit Windows, the shipped architecture. (The window for
# Windows is still to come; this covers the core and the Windows host.)
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

# OpenSSL for one architecture ($1: x86_64 or i686; $2: its OpenSSL target), from Debian's
# source package, once.
build_openssl() {
  local arch="$1" target="$2" prefix="$work/openssl-$1"
  [ -f "$prefix/lib/libssl.a" ] || [ -f "$prefix/lib64/libssl.a" ] && return 0
  if ! ls "$work"/openssl-src/openssl_*.orig.tar.gz >/dev/null 2>&1; then
    # The source lists are added beside the binary ones.
    if ! apt-get indextargets --format '$(CREATED_BY)' 2>/dev/null | grep -q '^Sources$'; then
      sed -e 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
        > /etc/apt/sources.list.d/debian-src.sources
      apt-get update -qq
    fi
    mkdir -p "$work/openssl-src"
    (cd "$work/openssl-src" && apt-get source -qq --download-only openssl >/dev/null 2>&1 || true)
  fi
  local tarball
  tarball=$(ls "$work"/openssl-src/openssl_*.orig.tar.gz | head -1)
  rm -rf "$work/openssl-build-$arch" && mkdir -p "$work/openssl-build-$arch"
  tar xzf "$tarball" -C "$work/openssl-build-$arch" --strip-components=1
  (cd "$work/openssl-build-$arch" &&
    ./Configure "$target" no-shared no-tests no-engine no-dso --cross-compile-prefix="$arch-w64-mingw32-" \
      --prefix="$prefix" >/dev/null &&
    make -j2 build_libs >/dev/null && make install_dev >/dev/null)
}

build_openssl x86_64 mingw64
build_openssl i686 mingw

# The shipped program's architecture: the core and its tests must build for it too.
cmake -S . -B build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw.cmake -DTV_WINDOWS_ARCH=i686 -DCMAKE_BUILD_TYPE=Release \
  -DOPENSSL_ROOT_DIR="$work/openssl-i686" >/dev/null
cmake --build build/win32 -j2 --target windows_unit_tests

# The tests run in the 64-bit build: Debian's 32-bit Wine does not install on these machines.
cmake -S . -B build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw.cmake -DTV_WINDOWS_ARCH=x86_64 -DCMAKE_BUILD_TYPE=Release \
  -DOPENSSL_ROOT_DIR="$work/openssl-x86_64" >/dev/null
cmake --build build/win64 -j2 --target windows_unit_tests

export WINEPREFIX="$work/wineprefix" WINEDEBUG=-all
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine64)
"$wine" "$root/build/win64/tests/windows_unit_tests.exe"
