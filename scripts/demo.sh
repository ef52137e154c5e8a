#!/usr/bin/env bash
# Installs what is missing, builds, and starts the wizard on a demo machine kept in
# build/demo-machine, so nothing outside it is touched. Without a display the window
# runs under Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build build/release -j2 --target tvinstall

machine="$PWD/build/demo-machine"
mkdir -p "$machine/programs" "$machine/data" "$machine/temp"
cat > "$machine/registry.reg" <<REG
Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion]
"ProgramFilesDir"="$machine/programs"
REG
export TVINSTALL_REGISTRY="$machine/registry.reg" TMP="$machine/temp" TEMP="$machine/temp"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec build/release/tvinstall
fi
echo "No display: the wizard runs under Xvfb (end it with Ctrl+C)."
exec xvfb-run -a build/release/tvinstall
