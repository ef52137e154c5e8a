#!/usr/bin/env bash
# End to end: the real program, built in $1, tours a single-seat installation of edition
# Solan under Xvfb on a fresh demo machine, online against the demo update server and
# then offline from the package folder; a second online start updates what the first
# installed. Checks what lands on disk and in the registry file.
set -euo pipefail
build="$1"
here="$(cd "$(dirname "$0")/../.." && pwd)"
root="$build/e2e"
rm -rf "$root"
mkdir -p "$root"
# shellcheck source=tests/e2e/checks.sh
source "$(dirname "$0")/checks.sh"

tour() { # machine, screenshot folder, mode...
  local machine="$1" shots="$2"
  shift 2
  env -u DISPLAY -u WAYLAND_DISPLAY TVINSTALL_TOUR="$shots" TVSTUB_LOG="$root/$(basename "$machine").log" \
    timeout 240 "$here/demo/run-demo.sh" "$build" "$machine" "$@" 2>&1 | grep -v XDG_RUNTIME_DIR
  return "${PIPESTATUS[0]}"
}

expect_installed() { # machine, transcript
  local machine="$1" transcript="$2" app="$1/programs/Norvano 6"
  grep -q "Die Installation der Norvano Einzelplatzversion wurde erfolgreich durchgeführt." "$transcript" ||
    fail "$machine: no success message"
  grep -q "Norvano Single" "$app/Norvano.exe" 2>/dev/null || fail "$machine: no single-seat application in $app"
  for db in nv.db nv_sec.db nv_img.db nv_ebay.db; do
    [ -s "$app/System/db/$db" ] || fail "$machine: $db missing in System/db/"
  done
  grep -q 'Uninstall\\{6B2E91A4-3F7D-4C58-9E0A-71D4C2B85F13}_is1\]' "$machine/registry.reg" ||
    fail "$machine: no uninstall entry in the registry"
}

echo "--- first start, online"
tour "$root/online" "$root/tour-online" > "$root/first.txt" || fail "first tour ended with $?"
cat "$root/first.txt"
expect_installed "$root/online" "$root/first.txt"
for shot in selection parameters outcome; do
  ls "$root/tour-online/"*"-$shot.png" >/dev/null 2>&1 || fail "no $shot screenshot"
done

echo "--- second start, online: the installed application is updated"
tour "$root/online" "$root/tour-update" > "$root/second.txt" || fail "second tour ended with $?"
cat "$root/second.txt"
grep -q "nach dem Update beendet" "$root/second.txt" || fail "the second start did not update"
grep -q "^nv_update.exe" "$root/online.log" || fail "the updater did not run"

echo "--- first start, offline"
tour "$root/offline" "$root/tour-offline" --offline > "$root/offline.txt" || fail "offline tour ended with $?"
cat "$root/offline.txt"
expect_installed "$root/offline" "$root/offline.txt"

finish
