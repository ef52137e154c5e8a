#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: first the unit and integration
# tests under AddressSanitizer and UndefinedBehaviorSanitizer, then everything, the window
# tests and the end-to-end tour included.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=Debug -DTV_SANITIZE=ON >/dev/null
cmake --build build/asan -j2 --target unit_tests integration_tests stub_installer
(cd build/asan && ASAN_OPTIONS=detect_leaks=1 ctest -j2 --output-on-failure --timeout 300 -LE window)

cmake -S . -B build/test -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build/test -j2
cd build/test
QT_QPA_PLATFORM=offscreen ctest -j2 --output-on-failure --timeout 300
