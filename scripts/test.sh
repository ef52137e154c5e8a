#!/usr/bin/env bash
# Installs what is missing, checks the code's layout, builds, and runs every test: first
# all of them (unit, integration, window, end to end) under AddressSanitizer,
# LeakSanitizer and UndefinedBehaviorSanitizer, then each fuzz target for a short while so a regression
# shows, then the Windows build with its tests under Wine, then all tests in a plain build,
# then the core's tests as a 32-bit program under qemu-i386.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/check-format.sh
scripts/check-layers.sh
scripts/tidy.sh build/test

cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=Debug -DTV_SANITIZE=ON -DTV_WERROR=ON >/dev/null
cmake --build build/asan -j2
(cd build/asan && ASAN_OPTIONS=detect_leaks=1 QT_QPA_PLATFORM=offscreen ctest -j2 --output-on-failure --timeout 300)

tests/fuzz/run.sh "${FUZZ_SECONDS:-15}"

scripts/windows.sh

cmake -S . -B build/test -DCMAKE_BUILD_TYPE=Debug -DTV_WERROR=ON >/dev/null
cmake --build build/test -j2
(cd build/test && QT_QPA_PLATFORM=offscreen ctest -j2 --output-on-failure --timeout 300)


scripts/i386.sh
