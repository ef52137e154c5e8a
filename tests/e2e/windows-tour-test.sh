#!/usr/bin/env bash
# End to end on Windows (under Wine): the Windows program built in $1 tours an offline
# single-seat installation of edition Solan under Xvfb on a fresh demo machine, with the
# stand-in installers built as Windows programs writing Wine's real registry; a second
# start updates what the first installed. Checks the files in the Windows programs folder
# and the uninstall key in the registry's 32-bit view. $2: a fresh Wine prefix to use.
set -euo pipefail
build="$1"
export WINEPREFIX="$2" WINEDEBUG=-all
here="$(cd "$(dirname "$0")/../.." && pwd)"
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine64)
root="$build/e2e"
machine="$root/machine"
rm -rf "$root"
mkdir -p "$root"
# shellcheck source=tests/e2e/checks.sh
source "$(dirname "$0")/checks.sh"

"$here/demo/make-demo-machine.sh" "$machine" "$build"
app="$WINEPREFIX/drive_c/Program Files (x86)/Norvano 6"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\{6B2E91A4-3F7D-4C58-9E0A-71D4C2B85F13}_is1'

# Wine's session ends before the next program starts: a session begun without a display
# (a registry query) would keep the next program's windows off the screen.
end_session() { "$(dirname "$wine")/wineserver" -w; }

tour() { # screenshot folder
  (cd "$machine/temp" && TVINSTALL_TOUR="$1" TVSTUB_LOG="$root/stubs.log" \
    timeout 240 xvfb-run -a -s "-screen 0 1024x768x24" "$wine" "$machine/program/tvinstall-tour.exe" 2>&1 |
    grep -v "X connection to")
  local status="${PIPESTATUS[0]}"
  end_session
  return "$status"
}

echo "--- first start, offline, under Wine"
tour "$root/tour-offline" > "$root/first.txt" || fail "first tour ended with $?"
cat "$root/first.txt"
grep -q "Die Installation der Norvano Einzelplatzversion wurde erfolgreich durchgeführt." "$root/first.txt" ||
  fail "no success message"
grep -q "Norvano Single" "$app/Norvano.exe" 2>/dev/null || fail "no single-seat application in $app"
for db in nv.db nv_sec.db nv_img.db nv_ebay.db; do
  [ -s "$app/System/db/$db" ] || fail "$db missing in System/db/"
done
"$wine" reg query "$key" /v InstallLocation /reg:32 > "$root/key.txt" 2>&1 || fail "no uninstall key in the 32-bit view"
end_session
grep -q 'Program Files (x86)\\Norvano 6' "$root/key.txt" || fail "the uninstall key names no folder: $(cat "$root/key.txt")"
for shot in selection folder-picker parameters outcome; do
  ls "$root/tour-offline/"*"-$shot.png" >/dev/null 2>&1 || fail "no $shot screenshot"
done

echo "--- second start: the installed application is updated"
tour "$root/tour-update" > "$root/second.txt" || fail "second tour ended with $?"
cat "$root/second.txt"
grep -q "nach dem Update beendet" "$root/second.txt" || fail "the second start did not update"
grep -q "^nv_update.exe" "$root/stubs.log" || fail "the updater did not run"

finish
