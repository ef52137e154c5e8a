#!/usr/bin/env bash
# Installs what is missing, builds, and starts the wizard on a demo machine in
# build/demo-machine (program, registry file, folders), so nothing outside it is touched.
# By default the wizard starts online against a demo update server (nginx over TLS on
# 127.0.0.1, started here and stopped at the end); with --offline it starts offline
# from "install.ini" and Packages/ beside the program; either way the package set is signed
# as a release is. Without a display the window runs
# under Xvfb and tours one single-seat installation by itself, with screenshots.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release >/dev/null
# The demo's wizard trusts a key of its own, and its package set is signed with it.
scripts/signing-key.sh build/release
cmake --build build/release -j2 --target tvinstall tvinstall-tour stub_installer demo_server tvinstall-publish

exec demo/run-demo.sh "$PWD/build/release" "$PWD/build/demo-machine" "$@"
