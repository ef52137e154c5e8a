#!/usr/bin/env bash
# The Windows build and its tests, from this machine: installs Debian's MinGW-w64 and
# Wine, cross-builds OpenSSL from Debian's source package (once, into build/windows/),
# builds the program, the stand-in installers and the tests for 32-bit Windows (the
# shipped program) and 64-bit Windows, and runs the 64-bit tests under Wine with Xvfb,
# each suite in a fresh Wine prefix: the core and host tests, the client against nginx
# and the fixture server on loopback, the system's trust store, the window tests at 96
# and at 144 dots per inch, and an offline installation toured end to end.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
work="$root/build/windows"
mkdir -p "$work"
# shellcheck source=tests/e2e/checks.sh
source tests/e2e/checks.sh

scripts/install-deps.sh g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix libz-mingw-w64-dev nasm wine64 dpkg-dev

# The upstream source of Debian's source package $1, fetched once into build/windows/$1-src
# and unpacked afresh into $2.
unpack_source() {
  local package="$1" folder="$2"
  if ! ls "$work/$package-src/${package}_"*.orig.tar.* >/dev/null 2>&1; then
    # The source lists are added beside the binary ones.
    if ! apt-get indextargets --format '$(CREATED_BY)' 2>/dev/null | grep -q '^Sources$'; then
      sed -e 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
        > /etc/apt/sources.list.d/debian-src.sources
      apt-get update -qq
    fi
    mkdir -p "$work/$package-src"
    (cd "$work/$package-src" && apt-get source -qq --download-only "$package" >/dev/null 2>&1 || true)
  fi
  rm -rf "$folder" && mkdir -p "$folder"
  tar xf "$(ls "$work/$package-src/${package}_"*.orig.tar.* | head -1)" -C "$folder" --strip-components=1
}

# OpenSSL for one architecture ($1: x86_64 or i686; $2: its OpenSSL target), once.
build_openssl() {
  local arch="$1" target="$2" prefix="$work/openssl-$1"
  [ -f "$prefix/lib/libssl.a" ] || [ -f "$prefix/lib64/libssl.a" ] && return 0
  unpack_source openssl "$work/openssl-build-$arch"
  (cd "$work/openssl-build-$arch" &&
    ./Configure "$target" no-shared no-tests no-engine no-dso --cross-compile-prefix="$arch-w64-mingw32-" \
      --prefix="$prefix" >/dev/null &&
    make -j2 build_libs >/dev/null && make install_dev >/dev/null)
}

# ISA-L's inflate and CRC-32 for 64-bit Windows, once: its build knows MinGW and brings
# its assembler kernels, which make it about 1.7 times as fast as zlib. 32-bit Windows keeps
# zlib: those kernels are written for 64-bit x86 only.
build_isal() {
  local prefix="$work/isal-x86_64" folder="$work/isal-build-x86_64"
  [ -f "$prefix/lib/libisal.a" ] && return 0
  unpack_source libisal "$folder"
  (cd "$folder" && make -f Makefile.unx arch=mingw AS=nasm CC=x86_64-w64-mingw32-gcc-posix \
    AR=x86_64-w64-mingw32-ar have_threads=n -j2 lib >/dev/null)
  mkdir -p "$prefix/include/isa-l" "$prefix/lib"
  cp "$folder"/include/*.h "$prefix/include/isa-l/"
  cp "$folder/bin/isa-l.a" "$prefix/lib/libisal.a"
}

build_openssl x86_64 mingw64
build_openssl i686 mingw
build_isal

# Both architectures build: 32-bit is the shipped program's. Here the 64-bit tests run:
# this machine runs no 32-bit code; the 32-bit ones run in an emulated PC
# (tests/e2e/win32-vm-test.sh).
for pair in i686:win32 x86_64:win64; do
  arch="${pair%%:*}" folder="build/${pair##*:}"
  isal=()
  [ "$arch" = x86_64 ] && isal=(-DISAL_ROOT_DIR="$work/isal-x86_64")
  cmake -S . -B "$folder" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw.cmake -DTV_WINDOWS_ARCH="$arch" -DTV_WERROR=ON \
    -DCMAKE_BUILD_TYPE=Release -DOPENSSL_ROOT_DIR="$work/openssl-$arch" "${isal[@]}" >/dev/null
  cmake --build "$folder" -j2
done

# The shipped program: one 32-bit executable that needs nothing but Windows' own DLLs.
objdump -f build/win32/tvinstall.exe | grep -q "file format pei-i386" || { echo "tvinstall.exe is not 32-bit"; exit 1; }
unexpected=$(objdump -p build/win32/tvinstall.exe | sed -n 's/^\s*DLL Name: //p' | tr 'a-z' 'A-Z' |
  grep -v -x -E 'ADVAPI32.DLL|COMCTL32.DLL|CRYPT32.DLL|GDI32.DLL|KERNEL32.DLL|MSVCRT.DLL|OLE32.DLL|SHELL32.DLL|USER32.DLL|WINHTTP.DLL|WS2_32.DLL' || true)
[ -z "$unexpected" ] || { echo "tvinstall.exe needs DLLs that Windows does not bring: $unexpected"; exit 1; }
# ... and carries no demo automation: neither the tour nor its variable.
if strings -a -el build/win32/tvinstall.exe | grep -q TVINSTALL_TOUR ||
  strings -a build/win32/tvinstall.exe | grep -q WizardTour; then
  echo "tvinstall.exe carries the tour"
  exit 1
fi

wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine64)
export WINEDEBUG=-all

# A fresh Wine prefix ($1) at a resolution ($2 dots per inch): Wine draws the window
# frames itself (there is no window manager under Xvfb), and the programs folder of
# 32-bit programs is named in the registry's 32-bit view, as on 64-bit Windows.
fresh_prefix() {
  local prefix="$1" dpi="$2"
  rm -rf "$prefix"
  WINEPREFIX="$prefix" "$wine" wineboot -i >/dev/null 2>&1
  WINEPREFIX="$prefix" "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >/dev/null
  WINEPREFIX="$prefix" "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null
  WINEPREFIX="$prefix" "$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
  WINEPREFIX="$prefix" "$wine" reg add 'HKLM\Software\Microsoft\Windows\CurrentVersion' /v ProgramFilesDir \
    /t REG_SZ /d 'C:\Program Files (x86)' /reg:32 /f >/dev/null
  WINEPREFIX="$prefix" "$(dirname "$wine")/wineserver" -w
}

with_display() {
  xvfb-run -a -s "-screen 0 1280x1024x24" "$@" 2>&1 | grep -v "X connection to"
  local status="${PIPESTATUS[0]}"
  "$(dirname "$wine")/wineserver" -w # Wine's session on that display ends with it
  return "$status"
}

fresh_prefix "$work/prefix-unit" 96
WINEPREFIX="$work/prefix-unit" "$wine" build/win64/tests/windows_unit_tests.exe

# The client's tests against the test bed's servers: nginx runs on this machine (Wine
# cannot start it), started by the demo update server of a native build, which also
# makes the test certificates; the fixture server runs inside the Windows test program.
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DTV_WERROR=ON >/dev/null
cmake --build build/release -j2 --target demo_server
mkdir -p "$work/no-packages"
rm -f "$work/server.env"
build/release/tests/demo_server "$work/no-packages" "$work/server.env" >/dev/null &
server=$!
trap 'kill "$server" 2>/dev/null || true' EXIT
wait_for_file "$work/server.env" || { echo "the demo update server did not start"; exit 1; }
windows_suite_server "$work/server.env"
WINEPREFIX="$work/prefix-unit" "$wine" build/win64/tests/windows_integration_tests.exe
fresh_prefix "$work/prefix-trust" 96 # the system's roots as a fresh Windows has them
WINEPREFIX="$work/prefix-trust" "$wine" build/win64/tests/windows_trust_tests.exe
kill "$server"
wait "$server" 2>/dev/null || true
trap - EXIT

for dpi in 96 144; do
  fresh_prefix "$work/prefix-gui-$dpi" "$dpi"
  WINEPREFIX="$work/prefix-gui-$dpi" TV_SCREENSHOT_DIR="$root/build/win64/screenshots/dpi-$dpi" \
    with_display "$wine" build/win64/tests/windows_gui_tests.exe
done

fresh_prefix "$work/prefix-e2e" 96
tests/e2e/windows-tour-test.sh "$root/build/win64" "$work/prefix-e2e"
# Without clicks, without a display; online against the native build's demo update server.
fresh_prefix "$work/prefix-unattended" 96
tests/e2e/unattended-test.sh "$root/build/win64" "$work/prefix-unattended" "$root/build/release"
