#!/usr/bin/env bash
# Builds the benchmarks in release mode and runs them, printing their figures.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/bench -j2 --target download_bench
build/bench/bench/download_bench "${1:-1024}"
