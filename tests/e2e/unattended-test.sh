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
own_lock_folder "$root/lock"
server="" proxy=""
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null
  [ -n "$proxy" ] && kill "$proxy" 2>/dev/null
  wait 2>/dev/null || true
}
trap cleanup EXIT

run=() exe=""
if [ -n "$prefix" ]; then
  export WINEPREFIX="$prefix" WINEDEBUG=-all
  wine=/usr/lib/wine/wine64
  [ -x "$wine" ] || wine=$(command -v wine64)
  run=("$wine") exe=".exe"
fi
# A path as the program reads it: Wine's programs take Windows paths.
native_path() { if [ -n "$prefix" ]; then windows_path "$1"; else echo "$1"; fi; }
app_folder() { # machine
  if [ -n "$prefix" ]; then echo "$WINEPREFIX/drive_c/Program Files (x86)/Norvano 6"; else echo "$root/$1/programs/Norvano 6"; fi
}

machine() { # name: a fresh demo machine with its package set beside the program
  "$here/demo/make-demo-machine.sh" "$root/$1" "$build" >/dev/null
}

serve() { # machine: moves its package set to a demo update server and points the program there
  local m="$root/$1"
  mkdir -p "$m/served"
  mv -f "$m/program/install.ini"* "$m/program/Packages/"* "$m/served/"
  rm -f "$m/server.env"
  "$native/tests/demo_server" "$m/served" "$m/server.env" > "$m/server.log" 2>&1 &
  server=$!
  wait_for_file "$m/server.env" || fail "the demo update server for $1 did not start"
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
  # WITH_DISPLAY: a window under Wine needs one (Xvfb's).
  local display=()
  [ -n "${WITH_DISPLAY:-}" ] && display=(xvfb-run -a -s "-screen 0 1024x768x24")
  (cd "$m/temp" && env -u DISPLAY -u WAYLAND_DISPLAY TVINSTALL_REGISTRY="$m/registry.reg" TMP="$m/temp" \
    TEMP="$m/temp" timeout 120 "${display[@]}" "${run[@]}" "$m/program/tvinstall$exe" "$@" > "$m/out.txt" 2>&1) || status=$?
  [ -n "$prefix" ] && "$(dirname "$wine")/wineserver" -w
  echo "$status"
}

log_has() { # machine, text...
  local m="$root/$1" log="$root/$1/temp/tvinstall.log"
  shift
  for text in "$@"; do grep -qF -- "$text" "$log" || fail "$m: no \"$text\" in the log"; done
}

log_lacks() { # machine, text...
  local m="$root/$1" log="$root/$1/temp/tvinstall.log"
  shift
  for text in "$@"; do grep -qF -- "$text" "$log" && fail "$m: \"$text\" in the log"; done
  return 0
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

start_proxy() { # folder, port: a tinyproxy that tunnels to that port only, with Basic authentication
  local d="$1"
  mkdir -p "$d"
  proxy_port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  printf 'Port %s\nListen 127.0.0.1\nTimeout 30\nLogFile "%s/proxy.log"\nLogLevel Connect\nPidFile "%s/proxy.pid"\nConnectPort %s\nBasicAuth proxyuser Pr0xy-Kennwort\n' \
    "$proxy_port" "$d" "$d" "$2" > "$d/tinyproxy.conf"
  tinyproxy -d -c "$d/tinyproxy.conf" > "$d/out.txt" 2>&1 &
  proxy=$!
  for _ in $(seq 1 50); do (exec 3<>"/dev/tcp/127.0.0.1/$proxy_port") 2>/dev/null && return 0; sleep 0.1; done
  fail "tinyproxy did not start"
}

echo "--- an offline set made from the server through a proxy (/LAYOUT), kept up to date, installed from"
machine layout
serve layout
served="$root/layout/served"
made="$root/fromlayout/program" # where the next machine's program will be
machine fromlayout
rm -rf "$made"
start_proxy "$root/proxy" "$TV_NGINX_PORT"
expect "layout through the proxy" 0 "$(TVINSTALL_PROXY_PASSWORD=Pr0xy-Kennwort installer layout \
  "/LAYOUT=$(native_path "$made")" "/PROXY=127.0.0.1:$proxy_port" /PROXYUSER=proxyuser)"
log_has layout "Ablauf: Offline-Verzeichnis erstellen (/LAYOUT)" \
  "Verbindung über den Proxy 127.0.0.1:$proxy_port (Schalter /PROXY), mit Anmeldung (Basic)" \
  "Download nv_setup.exe" "Download upd_parts.zip" "Offline-Verzeichnis vollständig: 8 Dateien, 8 geladen" "Ende: Exit-Code 0"
log_lacks layout "Pr0xy-Kennwort" "$(printf 'proxyuser:Pr0xy-Kennwort' | base64 -w0)"
no_secrets layout
grep -qF "CONNECT 127.0.0.1:$TV_NGINX_PORT" "$root/proxy/proxy.log" || fail "the proxy logged no CONNECT"
grep -o 'Offline-Verzeichnis vollständig: .*' "$root/layout/temp/tvinstall.log"
for file in "$served"/*; do
  name=$(basename "$file")
  case "$name" in install.ini*) target="$made/$name" ;; *) target="$made/Packages/$name" ;; esac
  cmp -s "$file" "$target" || fail "layout: $name differs from the server's"
done
[ -x "$made/tvinstall$exe" ] || fail "layout: no program"
kill "$proxy" 2>/dev/null; wait "$proxy" 2>/dev/null || true
proxy=""

echo "ein Notizzettel des Administrators" > "$made/Packages/liesmich.txt"
expect "layout again, nothing changed" 0 "$(installer layout "/LAYOUT=$(native_path "$made")" /PROXY=DIRECT)"
log_has layout "Verbindung direkt (Schalter /PROXY=DIRECT)" "8 Dateien, 0 geladen (0 Bytes), 8 unverändert"
log_lacks layout "Download "
(cd "$root/layout/temp" && echo "neu" > neu.db && zip -q "$served/upd_cars.zip" neu.db)
"$here/demo/sign-package-set.sh" "$build" "$served" 2
cp "$served/install.ini"* "$served/upd_cars.zip" "$TV_NGINX_ROOT_UNIX/users/norvano/installation/"
expect "layout after one archive changed" 0 "$(installer layout "/LAYOUT=$(native_path "$made")" /PROXY=DIRECT)"
log_has layout "Download upd_cars.zip" "8 Dateien, 1 geladen"
log_lacks layout "Download nv_setup.exe" "Download db_base.zip"
cmp -s "$served/upd_cars.zip" "$made/Packages/upd_cars.zip" || fail "layout: the changed archive was not fetched"
cmp -s "$served/install.ini" "$made/install.ini" || fail "layout: the changed manifest was not written"
[ -f "$made/Packages/liesmich.txt" ] || fail "layout: removed a file it did not write"
kill "$server" 2>/dev/null; wait "$server" 2>/dev/null || true
server=""
unset TVINSTALL_SERVER TVINSTALL_LOGIN_URL TVINSTALL_USER TVINSTALL_CA_FILE
expect "a single seat from the layout, the server gone" 0 "$(installer fromlayout "${single[@]}")"
expect_single_seat fromlayout
log_has fromlayout "Modus: offline" "Ende: Exit-Code 0"
forget_application

echo "--- each exit code"
machine codes
m="$root/codes"
expect "unknown switch" "$(code 1639)" "$(installer codes /PACKAGE=3 /VERYSILENT /FOO)"
grep -qF 'Unbekannter Schalter: "/FOO"' "$m/out.txt" || [ -n "$prefix" ] || fail "no message naming /FOO"
# A windowed program has no standard error: the log says why it ended.
log_has codes 'Unbekannter Schalter: "/FOO"' "Ende: Exit-Code 1639 (ungültige Befehlszeile)"
expect "unknown edition" "$(code 1639)" "$(installer codes /PACKAGE=3 /EDITION=Gold /VERYSILENT)"
log_has codes 'Unbekannte Edition: "Gold"' "Ende: Exit-Code 1639"

# Switches that cannot succeed are refused before anything is fetched, run or unpacked.
refused() { # what, message, arguments...
  local what="$1" message="$2"
  shift 2
  expect "$what" "$(code 1639)" "$(installer codes "$@" /VERYSILENT)"
  log_has codes "$message" "Ende: Exit-Code 1639"
  log_lacks codes "Installationsprogramm:" "Entpackt:" "Download "
}
refused "a single seat without /EDITION" "Die Einzelplatzversion braucht den Schalter /EDITION" /PACKAGE=1 /TYPE=SINGLE
refused "single-seat databases of an edition without them" "Für die Edition Brisa (/EDITION) bietet das Paketverzeichnis keine Datenbanken für den Einzelplatz an" \
  /PACKAGE=3 /TYPE=SINGLE /EDITION=Brisa "/DIR=$(native_path "$m/data/refused")"
refused "a data update without /EDITION" "Das Datenupdate (Paket 4) braucht den Schalter /EDITION" \
  /PACKAGE=4 "/DIR=$(native_path "$m/data/refused")"
refused "a relative /DIR" "(kein vollständiger Pfad): \"Daten\"" /PACKAGE=3 /EDITION=Solan /DIR=Daten
refused "a /DIR that Windows cannot hold" "ein Name, den Windows nicht speichern kann: Sol?an" \
  /PACKAGE=3 /EDITION=Solan "/DIR=$(native_path "$m/data/Sol?an")"
refused "a repeated switch" "Der Schalter /EDITION ist mehrfach angegeben." /PACKAGE=3 /EDITION=Solan /EDITION=Tavik
[ -e "$(app_folder codes)" ] && fail "a refused run installed the application"
[ -n "$(ls -A "$m/data")" ] && fail "a refused run made a data folder"

mv "$m/program/install.ini" "$m/install.ini.away"
expect "no package source" "$(code 1612)" "$(TVINSTALL_SERVER=127.0.0.1:9 installer codes "${single[@]}")"
log_has codes "Ende: Exit-Code 1612 (keine Paketquelle)"
mkdir -p "$m/share"
mv "$m/install.ini.away" "$m/share/install.ini"
[ ! -f "$m/program/install.ini.sig" ] || mv "$m/program/install.ini.sig" "$m/share/"
mv "$m/program/Packages" "$m/share/Packages"
expect "an offline set elsewhere (/SOURCE)" 0 \
  "$(installer codes /PACKAGE=3 /EDITION=Solan "/DIR=$(native_path "$m/data/share")" "/SOURCE=$(native_path "$m/share")" /VERYSILENT)"
[ -s "$m/data/share/nv_img.db" ] || fail "/SOURCE: nothing unpacked"
log_has codes "Pakete in $(native_path "$m/share/Packages")"
mv "$m/share/install.ini"* "$m/program/"
mv "$m/share/Packages" "$m/program/Packages"

expect "installer failure" "$(code 1603)" "$(TVSTUB_EXIT_CODE=4 installer codes /PACKAGE=5 /VERYSILENT)"
log_has codes "endete mit Code 4: A fatal error occurred during the actual installation" "Ende: Exit-Code 1603"
if [ -n "$prefix" ]; then # a POSIX child's exit status cannot hold 3010
  expect "restart needed" "$(code 3010)" "$(TVSTUB_EXIT_CODE=3010 installer codes /PACKAGE=5 /VERYSILENT)"
  log_has codes "endete mit Code 3010: A restart is required" "Der Rechner muss neu gestartet werden" \
    "Ende: Exit-Code 3010 (Erfolg, der Rechner muss neu gestartet werden)"
fi

mv "$m/program/Packages/db_images.zip" "$m/db_images.zip.away"
expect "an archive missing" "$(code 1603)" \
  "$(installer codes /PACKAGE=3 /EDITION=Solan "/DIR=$(native_path "$m/data/partial")" /VERYSILENT)"
log_has codes "Die Datei db_images.zip ist nicht vorhanden." "Ende: Exit-Code 1603"
[ -n "$(ls -A "$m/data/partial")" ] && fail "a run with an archive missing wrote files first"
mv "$m/db_images.zip.away" "$m/program/Packages/db_images.zip"

cp "$m/program/Packages/db_base.zip" "$m/db_base.zip.good"
head -c 3000 "$m/db_base.zip.good" > "$m/program/Packages/db_base.zip"
mkdir -p "$m/data/Solan"
expect "damaged archive" "$(code 1603)" "$(installer codes /PACKAGE=3 /EDITION=Solan "/DIR=$(native_path "$m/data/Solan")" /VERYSILENT)"
log_has codes "Prüfsumme von db_base.zip stimmt nicht: erwartet " \
  "Die Datei db_base.zip ist beschädigt oder wurde verändert (Prüfsumme stimmt nicht)." \
  "Ende: Exit-Code 1603 (Installation fehlgeschlagen)"
cp "$m/db_base.zip.good" "$m/program/Packages/db_base.zip"

if [ -f "$build/signing/private.pem" ]; then
  echo "--- a signed package set: a change or a replay is refused before anything runs"
  machine signed
  s="$root/signed/program"
  cp "$s/install.ini" "$root/signed/install.ini.good"
  refused_set() { # what, message
    expect "$1" "$(code 1603)" "$(installer signed "${single[@]}")"
    log_has signed "wird nicht verwendet: $2" "Ende: Exit-Code 1603"
    log_lacks signed "Installationsprogramm:" "Entpackt:"
    cp "$root/signed/install.ini.good" "$s/install.ini"
  }
  printf ' ' >> "$s/install.ini"
  refused_set "a changed byte" "seine Signatur stimmt nicht"
  mv "$s/install.ini.sig" "$root/signed/install.ini.sig.good"
  refused_set "no signature" "es ist nicht signiert (install.ini.sig fehlt)."
  mv "$root/signed/install.ini.sig.good" "$s/install.ini.sig"
  printf '\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Norvano\\Setup]\r\n"ManifestSerial"="2"\r\n' >> "$root/signed/registry.reg"
  refused_set "a replayed older release" "es ist älter (Serial 1) als das zuletzt auf diesem Rechner verwendete (Serial 2)."
  sed -i 's/"ManifestSerial"="2"/"ManifestSerial"="1"/' "$root/signed/registry.reg"
  expect "the signed set, as published" 0 "$(installer signed "${single[@]}")"
  log_has signed "signiert, Serial 1, gültig bis "
  forget_application
fi

echo "--- the database server: its password never in the log"
expect "database server" 0 "$(installer codes /PACKAGE=2 /VERYSILENT)"
log_has codes '/SYSDBAPASSWORD="***"'
for log in "$m/temp/"tvinstall*.log; do
  grep -qF "qb4-KT29vz" "$log" && fail "the SYSDBA password in $log"
  [ -n "$prefix" ] || [ "$(stat -c %a "$log")" = 600 ] || fail "$log is readable by others"
done

if [ -z "$prefix" ]; then # the window with its progress page only, closing by itself
  expect "silent database run" 0 \
    "$(QT_QPA_PLATFORM=offscreen installer codes /PACKAGE=3 /EDITION=Solan "/DIR=$m/data/new" /SILENT)"
  [ -s "$m/data/new/nv_img.db" ] || fail "the silent run unpacked nothing"
  log_has codes "Ablauf: nur Fortschritt (/SILENT)" "Meldung (nicht angezeigt): " "Möchten sie den Ordner neu anlegen ? -> Ja"
  expect "/SILENT without a display" "$(code 1639)" \
    "$(unset QT_QPA_PLATFORM; installer codes /PACKAGE=3 /EDITION=Solan "/DIR=$m/data/new" /SILENT)"
  log_has codes "Für eine Installation ohne Fenster verwenden Sie /VERYSILENT." "Ende: Exit-Code 1639"
fi

start_in_background() { # file for the exit code, arguments of installer...: returns at once
  local code="$1"
  shift
  rm -f "$root/$1/temp/tvinstall.log" # the wait below reads the new run's log
  (installer "$@" > "$code") &
}

wait_for_installer() { # machine, program file: until its installer runs
  local m="$root/$1"
  for _ in $(seq 1 100); do
    if [ -n "$prefix" ]; then # under Wine the installer's process has a Windows name: the log says when it started
      grep -q "Installationsprogramm:" "$m/temp/tvinstall.log" 2>/dev/null && return 0
    else
      pgrep -f "$m/program/Packages/$2" >/dev/null && return 0
    fi
    sleep 0.1
  done
  fail "$1: $2 did not start"
}

echo "--- a stop request and a second start, while an installer runs"
# The installer cannot be stopped halfway: the wizard waits for it, logs its end, keeps
# the machine's one installation to itself meanwhile, and ends as aborted.
for signal in TERM HUP; do
  TVSTUB_DELAY_MS=4000 start_in_background "$root/first.code" codes /PACKAGE=5 /VERYSILENT
  first=$!
  wait_for_installer codes st_setup
  expect "second start" "$(code 1618)" "$(installer codes /PACKAGE=5 /VERYSILENT)"
  if [ -z "$prefix" ]; then
    pkill "-$signal" -f "$m/program/tvinstall /PACKAGE=5" || fail "no running wizard to stop"
    sleep 0.5
    expect "a start while the stopped one waits for its installer" "$(code 1618)" "$(installer codes /PACKAGE=5 /VERYSILENT)"
    wait "$first"
    pgrep -f "$m/program/Packages/st_setup" >/dev/null && fail "SIG$signal: the installer outlived the wizard"
    expect "stopped by SIG$signal" "$(code 1602)" "$(cat "$root/first.code")"
    log_has codes "aufgefordert, sich zu beenden" "sein Ende wird abgewartet" \
      "Das Installationsprogramm endete mit Code 0" "Ende: Exit-Code 1602 (abgebrochen)"
  else
    wait "$first"
    expect "the first start, left alone" 0 "$(cat "$root/first.code")"
    # Windows' stop request that Wine delivers: the close of the window (taskkill without /F
    # posts WM_CLOSE), here of a /SILENT run's window, hidden while its installer runs.
    WITH_DISPLAY=1 TVSTUB_DELAY_MS=5000 start_in_background "$root/closed.code" codes /PACKAGE=5 /SILENT
    first=$!
    wait_for_installer codes st_setup
    "$wine" taskkill /IM tvinstall.exe > /dev/null || fail "taskkill found no window of the wizard"
    expect "a start while the closed one waits for its installer" "$(code 1618)" "$(installer codes /PACKAGE=5 /VERYSILENT)"
    wait "$first"
    expect "closed during its installer" "$(code 1602)" "$(cat "$root/closed.code")"
    log_has codes "aufgefordert, sich zu beenden" "sein Ende wird abgewartet" \
      "Das Installationsprogramm endete mit Code 0" "Ende: Exit-Code 1602 (abgebrochen)"
  fi
  # The second start's lines went into the running one's log, which went on after them.
  log_has codes "Auf diesem Rechner läuft bereits eine Installation." "Ende: Exit-Code 1618 (eine andere Installation läuft)"
  [ -n "$prefix" ] && break
done

echo "--- one installation per machine, whatever TMP says"
if [ -n "$prefix" ] || [ -w /run/lock ]; then
  machine other
  TVINSTALL_LOCK_FOLDER="" TVSTUB_DELAY_MS=3000 start_in_background "$root/first.code" codes /PACKAGE=5 /VERYSILENT
  first=$!
  wait_for_installer codes st_setup
  expect "a second start with another temporary folder" "$(code 1618)" \
    "$(TVINSTALL_LOCK_FOLDER="" installer other /PACKAGE=5 /VERYSILENT)"
  log_has other "Auf diesem Rechner läuft bereits eine Installation." "Ende: Exit-Code 1618"
  wait "$first"
  expect "the first start, left alone" 0 "$(cat "$root/first.code")"
else
  echo "left out: /run/lock cannot be written here, and the temporary folder is each run's own"
fi
if [ -z "$prefix" ]; then
  echo "--- a single seat stopped during its installer, and the line that completes it"
  machine stopped
  (TVSTUB_DELAY_MS=2000 installer stopped "${single[@]}" > "$root/stopped.code") &
  first=$!
  for _ in $(seq 1 100); do pgrep -f "$root/stopped/program/Packages/nv_setup" >/dev/null && break; sleep 0.1; done
  pkill -TERM -f "$root/stopped/program/tvinstall /PACKAGE=1" || fail "no running single seat to stop"
  wait "$first"
  expect "single seat stopped during its installer" "$(code 1602)" "$(cat "$root/stopped.code")"
  log_has stopped "Nicht ausgeführt: die Datenbanken der Einzelplatzversion (Edition Solan: db_base.zip;db_images.zip"
  line=$(grep -o 'Nachholen mit: tvinstall .*' "$root/stopped/temp/tvinstall.log" | head -1)
  [ -n "$line" ] || fail "no command line that completes the single seat"
  eval "set -- ${line#Nachholen mit: tvinstall }"
  expect "the logged command line completes the single seat" 0 "$(installer stopped "$@")"
  expect_single_seat stopped
fi

ls "$m/temp/"tvinstall.[1-5].log >/dev/null 2>&1 || fail "no earlier logs kept"

finish
