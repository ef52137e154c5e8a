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

scripts/install-deps.sh g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix libz-mingw-w64-dev wine64 dpkg-dev

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

# Both architectures build: 32-bit is the shipped program's. The tests run in the 64-bit
# build: Debian's 32-bit Wine does not install on these machines.
for pair in i686:win32 x86_64:win64; do
  arch="${pair%%:*}" folder="build/${pair##*:}"
  cmake -S . -B "$folder" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw.cmake -DTV_WINDOWS_ARCH="$arch" \
    -DCMAKE_BUILD_TYPE=Release -DOPENSSL_ROOT_DIR="$work/openssl-$arch" >/dev/null
  cmake --build "$folder" -j2 --target windows_unit_tests
done

export WINEPREFIX="$work/wineprefix" WINEDEBUG=-all
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine64)
"$wine" "$root/build/win64/tests/windows_unit_tests.exe"
