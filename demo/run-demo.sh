#!/usr/bin/env bash
# Starts the wizard built in $1 on the demo machine in folder $2 (laid out anew, keeping
# what an earlier run installed), online against the demo update server or, with
# --offline as $3, from "install.ini" and Packages/ beside the program. Without a display
# the tour program (the wizard touring its window by itself) runs under Xvfb and installs
# one single seat, saving its screenshots in $TVINSTALL_TOUR (default: the machine's tour/
# folder). The exit code is the wizard's.
set -euo pipefail
build="$1"
machine="$2"
mode="${3:-online}"
here="$(cd "$(dirname "$0")" && pwd)"
server="" wizard=""
cleanup() {
  [ -n "$wizard" ] && kill "$wizard" 2>/dev/null
  [ -n "$server" ] && kill "$server" 2>/dev/null
  wait 2>/dev/null || true
}
trap cleanup EXIT
trap 'exit 130' INT TERM

"$here/make-demo-machine.sh" "$machine" "$build"
export TVINSTALL_REGISTRY="$machine/registry.reg" TMP="$machine/temp" TEMP="$machine/temp"

if [ "$mode" = "--offline" ]; then
  echo "Offline: the package set lies in $machine/program/Packages."
else
  # Online: the manifest and the package set move to the demo server.
  mkdir -p "$machine/served"
  mv -f "$machine/program/install.ini"* "$machine/program/Packages/"* "$machine/served/"
  "$build/tests/demo_server" "$machine/served" "$machine/server.env" &
  server=$!
  for _ in $(seq 1 100); do [ -s "$machine/server.env" ] && break; sleep 0.1; done
  [ -s "$machine/server.env" ] || { echo "The demo update server did not start." >&2; exit 1; }
  # shellcheck disable=SC1091
  source "$machine/server.env"
fi

cd "$machine/temp"
status=0
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  "$machine/program/tvinstall" &
  wizard=$!
  wait "$wizard" || status=$?
else
  export TVINSTALL_TOUR="${TVINSTALL_TOUR:-$machine/tour}"
  echo "No display: the wizard runs under Xvfb and tours one installation by itself."
  xvfb-run -a -s "-screen 0 1024x768x24" "$machine/program/tvinstall-tour" &
  wizard=$!
  wait "$wizard" || status=$?
  echo "Screenshots: $TVINSTALL_TOUR"
fi
wizard=""
exit "$status"
