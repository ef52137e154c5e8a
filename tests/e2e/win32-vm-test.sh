#!/usr/bin/env bash
# The 32-bit Windows build as it ships, on 64-bit Windows: inside the emulated PC of
# scripts/win32-vm.sh, Wine with its 32-bit half runs the build in build/win32: the unit,
# integration and trust store suites, and tvinstall.exe unattended with the 32-bit stand-in
# installers, offline and online, checking exit codes, files, the 32-bit views of the
# registry and of the programs folder, and the log.
# Here it lays out the demo machines and starts the test servers (the PC reaches them
# through its loopback), then boots the PC, which runs this script again with --guest.
set -euo pipefail
here="$(cd "$(dirname "$0")/../.." && pwd)"
build="$here/build/win32"
native="$here/build/release"
state="$build/vm-test" # inside the project's folder: the PC sees it at the same path
# shellcheck source=tests/e2e/checks.sh
source "$here/tests/e2e/checks.sh"


host() {
  cmake -S "$here" -B "$native" -DCMAKE_BUILD_TYPE=Release -DTV_WERROR=ON >/dev/null
  cmake --build "$native" -j2 --target demo_server
  rm -rf "$state"
  mkdir -p "$state/tmp" "$state/no-packages"
  # The servers' roots and certificates lie where the PC sees them too.
  export TMPDIR="$state/tmp"
  servers=()
  trap 'kill "${servers[@]}" 2>/dev/null || true; wait 2>/dev/null || true' EXIT
  start_server() { # package folder, settings file
    "$native/tests/demo_server" "$1" "$2" > "$2.log" 2>&1 &
    servers+=($!)
    wait_for_file "$2" && return 0
    fail "the demo server for $1 did not start"
    finish
  }
  start_server "$state/no-packages" "$state/suite.env"
  for m in offline online; do "$here/demo/make-demo-machine.sh" "$state/$m" "$build" >/dev/null; done
  mkdir -p "$state/online/served"
  mv -f "$state/online/program/install.ini"* "$state/online/program/Packages/"* "$state/online/served/"
  start_server "$state/online/served" "$state/online/server.env"
  local ports=()
  for env in "$state/suite.env" "$state/online/server.env"; do
    ports+=("$(sed -n "s/^export TV_NGINX_PORT='\([0-9]*\)'/\1/p" "$env")")
  done
  TV_VM_FORWARD="${ports[*]}" "$here/scripts/win32-vm.sh" run "$here/tests/e2e/win32-vm-test.sh" --guest
}

# Inside the PC, programs run from its own disk: Wine maps every .exe into memory, which
# the project's shared folder does not serve reliably (a mapped page reads as zeros).
local_copy="/tmp/win32"

suites() {
  mkdir -p "$local_copy"
  cp -r "$build/tests/"*.exe "$build/tests/stubs" "$local_copy/"
  echo "--- the 32-bit unit suite"
  wine "$local_copy/windows_unit_tests.exe" || fail "the 32-bit unit suite"
  echo "--- the 32-bit integration suite, against the demo server on the host"
  with_suite_server wine "$local_copy/windows_integration_tests.exe" ||
    fail "the 32-bit integration suite"
}

with_suite_server() { # command...: runs it with the demo server of the suites named
  (
    windows_suite_server "$state/suite.env"
    "$@"
  )
}

# Last: it adds the test CA to the system's roots, which the prefix, fresh until then,
# did not trust.
trust_suite() {
  echo "--- the 32-bit trust store suite"
  with_suite_server wine "$local_copy/windows_trust_tests.exe" || fail "the 32-bit trust store suite"
}

programs="$HOME/.wine/drive_c/Program Files (x86)"
drive_c="$HOME/.wine/drive_c"

machines="$local_copy/machines"

installer() { # machine, case, arguments...: runs its program; prints the exit code
  local m="$machines/$1" name="$2" status=0
  shift 2
  (cd "$m/temp" && timeout 300 wine "$m/program/tvinstall.exe" "$@" "/LOG=$(windows_path "$machines/logs/$name.log")" \
    > "$machines/logs/$name.out" 2>&1) || status=$?
  echo "$status"
}

log_has() { # case, text...
  local log="$machines/logs/$1.log"
  shift
  for text in "$@"; do grep -qF -- "$text" "$log" || fail "$(basename "$log"): no \"$text\""; done
}

in_32bit_view() { # registry key below HKLM\Software: written in the 32-bit view, not in the 64-bit one
  wine reg query "HKLM\\Software\\Wow6432Node\\$1" > /dev/null 2>&1 ||
    fail "HKLM\\Software\\$1 is not in the 32-bit view of the registry"
  wine reg query "HKLM\\Software\\$1" /reg:64 > /dev/null 2>&1 &&
    fail "HKLM\\Software\\$1 is in the 64-bit view of the registry"
  return 0
}

shipped_program() {
  mkdir -p "$machines/logs"
  cp -a "$state/offline" "$state/online" "$machines/"
  echo "--- a single seat of edition Solan, offline"
  expect "offline single seat" 0 "$(installer offline single /PACKAGE=1 /TYPE=SINGLE /EDITION=Solan /VERYSILENT)"
  log_has single "Programm mit 32 Bit auf 64-Bit-Windows" "Modus: offline" "/TYPE=\"Single\"" \
    "endete mit Code 0: Setup was successfully run to completion" "Entpackt: nv.db" "Ende: Exit-Code 0 (Erfolg)"
  grep -q "Norvano Single" "$programs/Norvano 6/Norvano.exe" 2>/dev/null ||
    fail "no single-seat application in Program Files (x86)"
  for db in nv.db nv_sec.db nv_img.db nv_ebay.db; do
    [ -s "$programs/Norvano 6/System/db/$db" ] || fail "single seat: $db missing"
  done
  in_32bit_view 'Microsoft\Windows\CurrentVersion\Uninstall\{6B2E91A4-3F7D-4C58-9E0A-71D4C2B85F13}_is1'

  echo "--- the database server: its password never in the log"
  expect "database server" 0 "$(installer offline server /PACKAGE=2 /VERYSILENT)"
  log_has server '/SYSDBAPASSWORD="***"' "Firebird-Konfiguration" "Ende: Exit-Code 0"
  grep -qF "qb4-KT29vz" "$machines/logs/server.log" && fail "the SYSDBA password in the log"
  find "$programs" -name firebird.conf | grep -q . || fail "no firebird.conf in Program Files (x86)"
  in_32bit_view 'Firebird Project\Firebird Server\Instances'

  echo "--- the databases of edition Solan, offline, and again onto live ones"
  expect "databases" 0 "$(installer offline databases /PACKAGE=3 /EDITION=Solan '/DIR=C:\Daten' /VERYSILENT)"
  for db in nv.db nv_sec.db nv_img.db nv_ebay.db; do [ -s "$drive_c/Daten/$db" ] || fail "databases: $db missing"; done
  echo "the live database" > "$drive_c/Daten/nv.db"
  expect "databases onto live ones" 0 "$(installer offline live /PACKAGE=3 /EDITION=Solan '/DIR=C:\Daten' /VERYSILENT)"
  log_has live "Behalten, da in Gebrauch: C:\\Daten\\nv.db" "Entpackt: nv_ebay.db" "Ende: Exit-Code 0"
  [ "$(cat "$drive_c/Daten/nv.db")" = "the live database" ] || fail "the live nv.db was replaced"

  echo "--- Stockado, and an installer's own exit codes"
  expect "Stockado" 0 "$(installer offline stockado /PACKAGE=5 /VERYSILENT)"
  [ -f "$programs/Stockado 6/Stockado.exe" ] || fail "no Stockado in Program Files (x86)"
  expect "restart needed" "$(code 3010)" "$(TVSTUB_EXIT_CODE=3010 installer offline restart /PACKAGE=5 /VERYSILENT)"
  log_has restart "endete mit Code 3010: A restart is required" "Ende: Exit-Code 3010 (Erfolg, der Rechner muss neu gestartet werden)"
  expect "installer failure" "$(code 1603)" "$(TVSTUB_EXIT_CODE=4 installer offline failure /PACKAGE=5 /VERYSILENT)"
  log_has failure "endete mit Code 4: A fatal error occurred during the actual installation" "Ende: Exit-Code 1603"

  echo "--- a bad command line"
  expect "unknown switch" "$(code 1639)" "$(installer offline badswitch /PACKAGE=3 /VERYSILENT /FOO)"
  log_has badswitch 'Unbekannter Schalter: "/FOO"' "Ende: Exit-Code 1639 (ungültige Befehlszeile)"

  echo "--- the databases of edition Solan, online from the demo server on the host"
  (
    # shellcheck disable=SC1091
    source "$state/online/server.env"
    TVINSTALL_CA_FILE=$(windows_path "$TVINSTALL_CA_FILE")
    export TVINSTALL_CA_FILE
    expect "online databases" 0 "$(installer online online /PACKAGE=3 /EDITION=Solan '/DIR=C:\Online' /VERYSILENT)"
    log_has online "Modus: online" "HTTP GET https://127.0.0.1:$TV_NGINX_PORT/users/norvano/installation/install.ini: 200" \
      "Download db_base.zip" "Prüfsumme von db_base.zip stimmt" "Entpackt: nv_img.db" "Ende: Exit-Code 0"
    for db in nv.db nv_sec.db nv_img.db nv_ebay.db; do
      cmp -s "$drive_c/Online/$db" "$drive_c/Daten/$db" || [ "$db" = nv.db ] || fail "online: $db differs"
    done
    [ "$failures" -eq 0 ]
  ) || failures=$((failures + 1))
}

if [ "${1:-}" = --guest ]; then
  suites
  shipped_program
  trust_suite
  cp -r "$machines/logs" "$state/" # for a look afterwards
  finish
else
  host
fi
