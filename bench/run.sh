#!/usr/bin/env bash
# Builds the benchmarks in release mode and runs them side by side with peer tools,
# printing their figures. Argument: the size in MiB of the large test files (1024).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/bench -j2 --target download_bench unzip_bench
echo "== downloads"
build/bench/bench/download_bench "${1:-1024}"
echo "== unpacking"
build/bench/bench/unzip_bench "${1:-1024}"
