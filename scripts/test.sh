#!/usr/bin/env bash
# Installs what is missing, checks the code's layout, builds, and runs every test: first
# all of them (unit, integration, window, end to end) under AddressSanitizer,
# LeakSanitizer and UndefinedBehaviorSanitizer, then each fuzz target for a short while so a regression
# shows, then the Windows build with its tests under Wine, then the shipped 32-bit Windows
# program with its tests in an emulated 64-bit PC, then all tests in a plain build, then
# the core's tests as a 32-bit program under qemu-i386. Each part's time is printed at
# the end.
# The whole script is read before it runs (main below), so editing it during a run is safe.
set -euo pipefail
cd "$(dirname "$0")/.."

times=()
step() { # step NAME COMMAND...: runs the command and notes its time
  local name="$1" started
  shift
  started=$(date +%s)
  "$@"
  times+=("$(printf '%-34s %4d s' "$name" $(($(date +%s) - started)))")
}
started_all=$(date +%s)

asan_tests() {
  cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=Debug -DTV_SANITIZE=ON -DTV_WERROR=ON >/dev/null
  cmake --build build/asan -j2
  (cd build/asan && ASAN_OPTIONS=detect_leaks=1 QT_QPA_PLATFORM=offscreen ctest -j2 --output-on-failure --timeout 300)
}
plain_tests() {
  # This build trusts a signing key of its own: its end-to-end runs use signed package
  # sets, the sanitizers' build unsigned ones.
  cmake -S . -B build/test -DCMAKE_BUILD_TYPE=Debug -DTV_WERROR=ON >/dev/null
  scripts/signing-key.sh build/test
  cmake --build build/test -j2
  (cd build/test && QT_QPA_PLATFORM=offscreen ctest -j2 --output-on-failure --timeout 300)
}

main() {
  step "packages" scripts/install-deps.sh
  step "format and layers" bash -c 'scripts/check-format.sh && scripts/check-layers.sh'
  step "clang-tidy" scripts/tidy.sh build/test
  step "sanitizers: build and ctest" asan_tests
  step "fuzz targets" tests/fuzz/run.sh "${FUZZ_SECONDS:-15}"
  step "Windows: build and tests" scripts/windows.sh
  step "32-bit Windows: emulated PC" tests/e2e/win32-vm-test.sh
  step "plain: build and ctest" plain_tests
  step "32-bit Linux: build and ctest" scripts/i386.sh

  echo
  echo "Times of the test command's parts:"
  printf '  %s\n' "${times[@]}"
  printf '  %-34s %4d s\n' "whole" $(($(date +%s) - started_all))
}
main "$@"
