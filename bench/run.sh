#!/usr/bin/env bash
# Builds the benchmarks in release mode and runs them side by side with peer tools,
# printing their figures and every ratio. Argument: the size in MiB of the large test
# files (1024). The Windows build's unpacking is measured under wine64 where
# scripts/windows.sh has built it (build/win64).
set -euo pipefail
cd "$(dirname "$0")/.."
size="${1:-1024}"
scripts/install-deps.sh
cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/bench -j2 --target download_bench unzip_bench inflate_bench
# The same extractor with zlib's inflate, for the Windows builds' comparison.
cmake -S . -B build/bench-zlib -DCMAKE_BUILD_TYPE=Release -DTV_ISAL=OFF >/dev/null
cmake --build build/bench-zlib -j2 --target inflate_bench >/dev/null
echo "== downloads"
build/bench/bench/download_bench "$size"
echo "== unpacking"
build/bench/bench/unzip_bench "$size"

echo "== unpacking by ours alone, one archive, each build's inflate"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
build/bench/bench/inflate_bench make "$work/large.zip" "$size"
# The least of the rounds' times from a line of inflate_bench.
least() { sed -n 's/.*rounds: \([0-9.]*\) \/.*/\1/p' <<<"$1"; }
isal=$(build/bench/bench/inflate_bench "$work/large.zip")
zlib=$(build/bench-zlib/bench/inflate_bench "$work/large.zip")
echo "  Linux, 64-bit:   $isal"
echo "  Linux, 64-bit:   $zlib"
wine=$(command -v wine64 || ls /usr/lib/wine/wine64 2>/dev/null || true)
if [ -f build/win64/CMakeCache.txt ] && [ -n "$wine" ]; then
  cmake --build build/win64 -j2 --target inflate_bench >/dev/null
  export WINEPREFIX="$work/prefix" WINEDEBUG=-all
  "$wine" wineboot -i >/dev/null 2>&1 # a fresh prefix, made before the clock runs
  windows=$("$wine" build/win64/bench/inflate_bench.exe "Z:${work//\//\\}\\large.zip")
  "$(command -v wineserver || echo "$(dirname "$wine")/wineserver")" -w
  echo "  Windows, 64-bit: $windows (under wine64)"
  awk -v w="$(least "$windows")" -v i="$(least "$isal")" -v z="$(least "$zlib")" 'BEGIN {
    printf "  ratio Windows 64-bit / Linux with zlib: %.2fx as fast; / Linux with ISA-L: %.2fx\n", z / w, i / w }'
else
  echo "  Windows, 64-bit: not measured (scripts/windows.sh builds build/win64 and installs wine64)"
fi
