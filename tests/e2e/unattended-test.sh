#!/usr/bin/env bash
# End to end without clicks: the real program built in $1 runs unattended on fresh demo
# machines with neither DISPLAY nor WAYLAND_DISPLAY set, online against the demo update
# server and offline, and every exit code is caused for real. With a Wine prefix as $2,
# the Windows program built in $1 runs under Wine; $3 then names a native build whose
# demo update server serves it.
set -euo pipefail
build="$(cd "$1" && pwd)"
prefix="${2:-}"
native="$(cd "${3:-$build}" && pwd)"
here="$(cd "$(dirname "$0")/../.." && pwd)"
root="$build/e2e-unattended"
rm -rf "$root"
mkdir -p "$root"
# shellcheck source=tests/e2e/checks.sh
source "$(dirname "$0")/checks.sh"
server=""
cleanup() { [ -n "$server" ] && kill "$server" 2>/dev/null; wait 2>/dev/null || true; }
trap cleanup EXIT

run=() exe=""
if [ -n "$prefix" ]; then
  export WINEPREFIX="$prefix" WINEDEBUG=-all
  wine=/usr/lib/wine/wine64
  [ -x "$wine" ] || wine=$(command -v wine64)
  run=("$wine") exe=".exe"
fi
# A path as the program reads it: Wine's programs take Windows paths.
native_path() { if [ -n "$prefix" ]; then echo "Z:$1" | tr / '\\'; else echo "$1"; fi; }
app_folder() { # machine
  if [ -n "$prefix" ]; then echo "$WINEPREFIX/drive_c/Program Files (x86)/Norvano 6"; else echo "$root/$1/programs/Norvano 6"; fi
}

machine() { # name: a fresh demo machine with its package set beside the program
  "$here/demo/make-demo-machine.sh" "$root/$1" "$build" >/dev/null
}

serve() { # machine: moves its package set to a demo update server and points the program there
  local m="$root/$1"
  mkdir -p "$m/served"
  mv -f "$m/program/install.ini" "$m/program/Packages/"* "$m/served/"
  rm -f "$m/server.env"
  "$native/tests/demo_server" "$m/served" "$m/server.env" > "$m/server.log" 2>&1 &
  server=$!
  for _ in $(seq 1 100); do [ -s "$m/server.env" ] && break; sleep 0.1; done
  # shellcheck disable=SC1090
  source "$m/server.env"
  TVINSTALL_CA_FILE="$(native_path "$TVINSTALL_CA_FILE")"
  export TVINSTALL_CA_FILE
}

installer() { # machine: runs its program with the remaining arguments; prints the exit code
  local m="$root/$1"
  shift
  local status=0
  # Wine keeps its own temporary folder: the log is named instead.
  [ -n "$prefix" ] && set -- "$@" "/LOG=$(native_path "$m/temp/tvinstall.log")"
  (cd "$m/temp" && env -u DISPLAY -u WAYLAND_DISPLAY TVINSTALL_REGISTRY="$m/registry.reg" TMP="$m/temp" \
    TEMP="$m/temp" timeout 120 "${run[@]}" "$m/program/tvinstall$exe" "$@" > "$m/out.txt" 2>&1) || status=$?
  [ -n "$prefix" ] && "$(dirname "$wine")/wineserver" -w
  echo "$status"
}

log_has() { # machine, text...
  local m="$root/$1" log="$root/$1/temp/tvinstall.log"
  shift
  for text in "$@"; do grep -qF -- "$text" "$log" || fail "$m: no \"$text\" in the log"; done
}

expect_single_seat() { # machine
  local app
  app="$(app_folder "$1")"
  grep -q "Norvano Single" "$app/Norvano.exe" 2>/dev/null || fail "$1: no single-seat application in $app"
  for db in nv.db nv_sec.db nv_img.db nv_ebay.db; do [ -s "$app/System/db/$db" ] || fail "$1: $db missing"; done
}

no_secrets() { # machine: neither the password nor the Basic credentials in the log
  local log="$root/$1/temp/tvinstall.log" password="kTRAvel57Qor!"
  local basic
  basic=$(printf '%s:%s' "${TVINSTALL_USER:-setup@norvano-setup.example}" "$password" | base64 -w0)
  if grep -qF -e "$password" -e "$basic" -e "Authorization" -e "Cookie" "$log"; then fail "$1: a secret in the log"; fi
}

# Under Wine the application lands in the prefix's real programs folder and registry:
# the next case must find it absent again.
forget_application() {
  [ -n "$prefix" ] || return 0
  "$wine" reg delete 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\{6B2E91A4-3F7D-4C58-9E0A-71D4C2B85F13}_is1' \
    /reg:32 /f >/dev/null 2>&1 || true
  "$(dirname "$wine")/wineserver" -w
  rm -rf "$(app_folder any)"
}

single=(/PACKAGE=1 /TYPE=SINGLE /EDITION=Solan /VERYSILENT)

echo "--- a single seat of edition Solan, offline"
machine offline
expect "offline single seat" 0 "$(installer offline "${single[@]}")"
expect_single_seat offline
log_has offline "Modus: offline" "Installationsprogramm: " "/TYPE=\"Single\"" "endete mit Code 0: Setup was successfully run to completion" \
  "Entpackt: nv.db" "Ende: Exit-Code 0 (Erfolg)"
forget_application

echo "--- a single seat of edition Solan, online"
machine online
serve online
expect "online single seat" 0 "$(installer online "${single[@]}")"
expect_single_seat online
log_has online "Modus: online" "HTTP GET https://127.0.0.1:$TV_NGINX_PORT/users/norvano/installation/install.ini: 200" \
  "Download nv_setup.exe" "Entpackt: nv_img.db" "Ende: Exit-Code 0"
no_secrets online
kill "$server" 2>/dev/null; wait "$server" 2>/dev/null || true
server=""
unset TVINSTALL_SERVER TVINSTALL_LOGIN_URL TVINSTALL_USER TVINSTALL_CA_FILE
forget_application

echo "--- each exit code"
machine codes
m="$root/codes"
expect "unknown switch" 1 "$(installer codes /PACKAGE=3 /VERYSILENT /FOO)"
grep -qF 'Unbekannter Schalter: "/FOO"' "$m/out.txt" || [ -n "$prefix" ] || fail "no message naming /FOO"
expect "unknown edition" 1 "$(installer codes /PACKAGE=3 /EDITION=Gold /VERYSILENT)"
log_has codes 'Unbekannte Edition: "Gold"' "Ende: Exit-Code 1"

mv "$m/program/install.ini" "$m/install.ini.away"
expect "no package source" 2 "$(TVINSTALL_SERVER=127.0.0.1:9 installer codes "${single[@]}")"
log_has codes "Ende: Exit-Code 2 (keine Paketquelle)"
mv "$m/install.ini.away" "$m/program/install.ini"

expect "installer failure" 3 "$(TVSTUB_EXIT_CODE=4 installer codes /PACKAGE=5 /VERYSILENT)"
log_has codes "endete mit Code 4: A fatal error occurred during the actual installation" "Ende: Exit-Code 3"

cp "$m/program/Packages/db_base.zip" "$m/db_base.zip.good"
head -c 3000 "$m/db_base.zip.good" > "$m/program/Packages/db_base.zip"
mkdir -p "$m/data/Solan"
expect "damaged archive" 3 "$(installer codes /PACKAGE=3 /EDITION=Solan "/DIR=$(native_path "$m/data/Solan")" /VERYSILENT)"
log_has codes "Prüfsumme von db_base.zip stimmt nicht: erwartet " \
  "Die Datei db_base.zip ist beschädigt oder wurde verändert (Prüfsumme stimmt nicht)." \
  "Ende: Exit-Code 3 (Installation fehlgeschlagen)"
cp "$m/db_base.zip.good" "$m/program/Packages/db_base.zip"

if [ -z "$prefix" ]; then # the window with its progress page only, closing by itself
  expect "silent database run" 0 \
    "$(QT_QPA_PLATFORM=offscreen installer codes /PACKAGE=3 /EDITION=Solan "/DIR=$m/data/new" /SILENT)"
  [ -s "$m/data/new/nv_img.db" ] || fail "the silent run unpacked nothing"
  log_has codes "Ablauf: nur Fortschritt (/SILENT)" "Meldung (nicht angezeigt): " "Möchten sie den Ordner neu anlegen ? -> Ja"
fi

echo "--- a stop request and a second start, while an installer runs"
# The installer cannot be stopped halfway: the wizard waits for it, logs its end, keeps
# the machine's one installation to itself meanwhile, and ends as aborted.
for signal in TERM HUP; do
  (TVSTUB_DELAY_MS=4000 installer codes /PACKAGE=5 /VERYSILENT > "$root/first.code") &
  first=$!
  # Under Wine the installer's process has a Windows name: the log says when it started.
  for _ in $(seq 1 100); do
    if [ -n "$prefix" ]; then
      grep -q "Installationsprogramm:" "$m/temp/tvinstall.log" 2>/dev/null && break
    else
      pgrep -f "$m/program/Packages/st_setup" >/dev/null && break
    fi
    sleep 0.1
  done
  expect "second start" 5 "$(installer codes /PACKAGE=5 /VERYSILENT)"
  if [ -z "$prefix" ]; then
    pkill "-$signal" -f "$m/program/tvinstall /PACKAGE=5" || fail "no running wizard to stop"
    sleep 0.5
    expect "a start while the stopped one waits for its installer" 5 "$(installer codes /PACKAGE=5 /VERYSILENT)"
    wait "$first"
    pgrep -f "$m/program/Packages/st_setup" >/dev/null && fail "SIG$signal: the installer outlived the wizard"
    expect "stopped by SIG$signal" 4 "$(cat "$root/first.code")"
    log_has codes "aufgefordert, sich zu beenden" "sein Ende wird abgewartet" \
      "Das Installationsprogramm endete mit Code 0" "Ende: Exit-Code 4 (abgebrochen)"
  else
    wait "$first"
    expect "the first start, left alone" 0 "$(cat "$root/first.code")"
    break
  fi
done
if [ -z "$prefix" ]; then
  echo "--- a single seat stopped during its installer, and the line that completes it"
  machine stopped
  (TVSTUB_DELAY_MS=2000 installer stopped "${single[@]}" > "$root/stopped.code") &
  first=$!
  for _ in $(seq 1 100); do pgrep -f "$root/stopped/program/Packages/nv_setup" >/dev/null && break; sleep 0.1; done
  pkill -TERM -f "$root/stopped/program/tvinstall /PACKAGE=1" || fail "no running single seat to stop"
  wait "$first"
  expect "single seat stopped during its installer" 4 "$(cat "$root/stopped.code")"
  log_has stopped "Nicht ausgeführt: die Datenbanken der Einzelplatzversion (Edition Solan: db_base.zip;db_images.zip"
  line=$(grep -o 'Nachholen mit: tvinstall .*' "$root/stopped/temp/tvinstall.log" | head -1)
  [ -n "$line" ] || fail "no command line that completes the single seat"
  eval "set -- ${line#Nachholen mit: tvinstall }"
  expect "the logged command line completes the single seat" 0 "$(installer stopped "$@")"
  expect_single_seat stopped
fi

ls "$m/temp/"tvinstall.[1-5].log >/dev/null 2>&1 || fail "no earlier logs kept"

finish
