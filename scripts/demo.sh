#!/usr/bin/env bash
# Installs what is missing, builds, and starts the wizard offline on a demo machine in
# build/demo-machine (program, package set, registry file, folders), so nothing outside
# it is touched. Without a display the window runs under Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release -j2 --target tvinstall stub_installer

machine="$PWD/build/demo-machine"
demo/make-demo-machine.sh "$machine" "$PWD/build/release"
export TVINSTALL_REGISTRY="$machine/registry.reg" TMP="$machine/temp" TEMP="$machine/temp"
cd "$machine/temp"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$machine/program/tvinstall"
fi
echo "No display: the wizard runs under Xvfb (end it with Ctrl+C)."
exec xvfb-run -a "$machine/program/tvinstall"
