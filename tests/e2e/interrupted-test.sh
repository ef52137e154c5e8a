#!/usr/bin/env bash
# Runs cut short: the real program built in $1 is killed (SIGKILL, nothing of it runs
# after) at several moments of a database run with a large entry, of a data update that
# replaces existing files, and of a download, and then runs again. Every file must be
# whole (the archive's bytes) or absent, a replaced one the old or the new, no temporary
# may be left after the second run, the second run must say that the first did not end,
# and its exit code must tell the truth.
set -euo pipefail
build="$(cd "$1" && pwd)"
here="$(cd "$(dirname "$0")/../.." && pwd)"
root="$build/e2e-interrupted"
rm -rf "$root"
mkdir -p "$root"
# shellcheck source=tests/e2e/checks.sh
source "$(dirname "$0")/checks.sh"
own_lock_folder "$root/lock"
server="" pid="" killed=""
cleanup() {
  [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null
  [ -n "$server" ] && kill "$server" 2>/dev/null
  wait 2>/dev/null || true
}
trap cleanup EXIT

m="$root/machine"
"$here/demo/make-demo-machine.sh" "$m" "$build" >/dev/null
work="$root/work"
mkdir -p "$work/big" "$work/old" "$work/new" "$m/data/db" "$m/data/upd"
# One large database file, and an update of many files that replaces older ones.
head -c $((160 << 20)) /dev/urandom > "$work/big/nv.db"
printf 'sec' > "$work/big/nv_sec.db"
for i in $(seq -w 1 24); do
  head -c $((4 << 20)) /dev/urandom > "$work/new/etg_$i.db"
  echo "old $i" > "$work/old/etg_$i.db"
done
(cd "$work/big" && zip -q -0 "$m/program/Packages/db_big.zip" nv.db nv_sec.db)
(cd "$work/new" && zip -q -0 "$m/program/Packages/upd_many.zip" ./*.db)
cat > "$m/program/install.ini" <<'INI'
[DBFileListClient]
Solan=db_big.zip
[UpdFileList]
Solan=upd_many.zip
[UpdFileDescr]
Solan=Ersatzteile
INI
"$here/demo/sign-package-set.sh" "$build" "$m/program"

start() { # arguments: starts the program in the background, its process in $pid
  (cd "$m/temp" && exec env -u DISPLAY -u WAYLAND_DISPLAY TVINSTALL_REGISTRY="$m/registry.reg" TMP="$m/temp" \
    TEMP="$m/temp" "$m/program/tvinstall" "$@" > "$m/out.txt" 2>&1) &
  pid=$!
}
run() { # arguments: runs the program to its end; prints the exit code
  local status=0
  (cd "$m/temp" && env -u DISPLAY -u WAYLAND_DISPLAY TVINSTALL_REGISTRY="$m/registry.reg" TMP="$m/temp" \
    TEMP="$m/temp" timeout 300 "$m/program/tvinstall" "$@" > "$m/out.txt" 2>&1) || status=$?
  echo "$status"
}
kill_when() { # seconds, condition...: kills $pid once the condition holds (or the time is up)
  local limit="$1"
  shift
  for _ in $(seq 1 $((limit * 100))); do
    "$@" && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.01
  done
  kill -9 "$pid" 2>/dev/null || true
  local status=0
  wait "$pid" 2>/dev/null || status=$?
  pid=""
  killed=$([ "$status" = 137 ] && echo 1 || echo "")
}
temporary_passes() { # folder, bytes: a half-written file there is larger than that
  local file
  for file in "$1"/*.tvnew; do [ -f "$file" ] && [ "$(stat -c %s "$file")" -gt "$2" ] && return 0; done
  return 1
}
whole_or_absent() { # folder, source folder, what: every file is the source's bytes or absent
  local file
  for file in "$1"/*; do
    [ -e "$file" ] || continue
    case "$file" in *.tvnew) continue ;; esac
    cmp -s "$file" "$2/$(basename "$file")" || fail "$3: $(basename "$file") is neither whole nor absent"
  done
}
old_or_new() { # folder, what: every update file is the old or the new one
  local file name
  for file in "$work/new"/*.db; do
    name=$(basename "$file")
    cmp -s "$1/$name" "$file" || cmp -s "$1/$name" "$work/old/$name" ||
      fail "$2: $name is neither the old nor the new file"
  done
}
no_temporaries() { # folder, what
  ! ls "$1"/*.tvnew >/dev/null 2>&1 || fail "$2: temporaries left in $1"
}
second_run_knows() { # what: when the first was killed before its end (it may have ended first)
  [ -n "$killed" ] || return 0
  grep -qF "Ende: Exit-Code" "$m/temp/tvinstall.1.log" && return 0
  grep -qF "Der vorige Lauf auf diesem Rechner wurde nicht beendet" "$m/temp/tvinstall.log" ||
    fail "$1: the second run did not say that the first did not end"
}

database=(/PACKAGE=3 /EDITION=Solan "/DIR=$m/data/db" /VERYSILENT)
echo "--- a database run with a large entry, killed at several moments"
for moment in 0 $((20 << 20)) $((80 << 20)) $((150 << 20)) named; do
  rm -rf "$m/data/db" && mkdir -p "$m/data/db"
  start "${database[@]}"
  if [ "$moment" = named ]; then
    kill_when 60 test -e "$m/data/db/nv.db"
  else
    kill_when 60 temporary_passes "$m/data/db" "$moment"
  fi
  whole_or_absent "$m/data/db" "$work/big" "killed at $moment"
  expect "the run after the one killed at $moment" 0 "$(run "${database[@]}")"
  whole_or_absent "$m/data/db" "$work/big" "after the run that followed the kill at $moment"
  [ -s "$m/data/db/nv.db" ] || fail "after $moment: no nv.db"
  no_temporaries "$m/data/db" "after $moment"
  second_run_knows "killed at $moment"
done

update=(/PACKAGE=4 /EDITION=Solan "/DIR=$m/data/upd" /VERYSILENT)
echo "--- a data update that replaces existing files, killed at several moments"
for moment in $((1 << 20)) $((3 << 20)) names; do
  rm -rf "$m/data/upd" && cp -r "$work/old" "$m/data/upd"
  start "${update[@]}"
  if [ "$moment" = names ]; then
    kill_when 60 cmp -s "$m/data/upd/etg_01.db" "$work/new/etg_01.db"
  else
    kill_when 60 temporary_passes "$m/data/upd" "$moment"
  fi
  old_or_new "$m/data/upd" "killed at $moment"
  expect "the update after the one killed at $moment" 0 "$(run "${update[@]}")"
  whole_or_absent "$m/data/upd" "$work/new" "after the update that followed the kill at $moment"
  no_temporaries "$m/data/upd" "update, after $moment"
  second_run_knows "update killed at $moment"
done

echo "--- a download, killed while it runs"
mkdir -p "$m/served"
mv -f "$m/program/install.ini"* "$m/program/Packages/"* "$m/served/"
"$build/tests/demo_server" "$m/served" "$m/server.env" > "$m/server.log" 2>&1 &
server=$!
for _ in $(seq 1 100); do [ -s "$m/server.env" ] && break; sleep 0.1; done
# shellcheck disable=SC1090
source "$m/server.env"
export TVINSTALL_SERVER TVINSTALL_LOGIN_URL TVINSTALL_USER TVINSTALL_CA_FILE
rm -rf "$m/data/db" && mkdir -p "$m/data/db"
start "${database[@]}"
kill_when 60 temporary_passes "$m/temp" $((30 << 20))
[ -e "$m/temp/db_big.zip" ] && fail "a download killed halfway has its name"
expect "the online run after the killed download" 0 "$(run "${database[@]}")"
whole_or_absent "$m/data/db" "$work/big" "online, after the killed download"
no_temporaries "$m/temp" "online"
second_run_knows "download killed"

finish
