#!/usr/bin/env bash
# clang-tidy over the core (util, host, source, install, wizard) with the project's
# .clang-tidy; fails on any finding. $1: the build folder whose compile commands to use
# (clang is told to pass over the options only GCC knows).
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/test}"
cmake -S . -B "$build" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
status=0
output=$(run-clang-tidy -p "$build" -j2 -quiet -extra-arg=-Wno-unknown-warning-option "$PWD/(util|host|source|install|wizard)/.*\.cpp$" 2>&1) || status=$?
if [ "$status" -ne 0 ] || grep -qE "(warning|error):" <<<"$output"; then
  echo "$output"
  echo "clang-tidy found faults in the core (see above)"
  exit 1
fi
