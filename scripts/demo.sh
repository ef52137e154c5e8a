#!/usr/bin/env bash
# Installs what is missing, builds, and starts the wizard on a demo machine in
# build/demo-machine (program, registry file, folders), so nothing outside it is touched.
# By default the wizard starts online against a demo update server (nginx over TLS on
# 127.0.0.1, started here and stopped at the end); with --offline it starts offline
# from "install.ini" and Packages/ beside the program. Without a display the window runs
# under Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."
mode="${1:-online}"
server="" wizard=""
cleanup() {
  [ -n "$wizard" ] && kill "$wizard" 2>/dev/null
  [ -n "$server" ] && kill "$server" 2>/dev/null
  wait 2>/dev/null || true
}
trap cleanup EXIT
trap 'exit 130' INT TERM
scripts/install-deps.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release -j2 --target tvinstall stub_installer demo_server

machine="$PWD/build/demo-machine"
demo/make-demo-machine.sh "$machine" "$PWD/build/release"
export TVINSTALL_REGISTRY="$machine/registry.reg" TMP="$machine/temp" TEMP="$machine/temp"

if [ "$mode" = "--offline" ]; then
  echo "Offline: the package set lies in $machine/program/Packages."
else
  # Online: the manifest and the package set move to the demo server.
  mkdir -p "$machine/served"
  mv -f "$machine/program/install.ini" "$machine/program/Packages/"* "$machine/served/"
  build/release/tests/demo_server "$machine/served" "$machine/server.env" &
  server=$!
  for _ in $(seq 1 100); do [ -s "$machine/server.env" ] && break; sleep 0.1; done
  # shellcheck disable=SC1091
  source "$machine/server.env"
fi

cd "$machine/temp"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  "$machine/program/tvinstall" &
else
  echo "No display: the wizard runs under Xvfb (end it with Ctrl+C)."
  xvfb-run -a "$machine/program/tvinstall" &
fi
wizard=$!
wait "$wizard"
