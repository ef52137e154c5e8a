#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for a bounded time (seconds, default 60)
# on seeds made from the project's own fixtures, after replaying every input that once
# found a fault (tests/fuzz/regressions/<target>/). A finding stops the script with the
# input left in build/fuzz/; prints the executions per target.
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds="${1:-60}"
root="$PWD"
CC=clang CXX=clang++ cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTV_FUZZ=ON -DBUILD_TESTING=OFF >/dev/null
cmake --build build/fuzz -j2 --target FuzzZip FuzzText FuzzHttp
seeds=build/fuzz/seeds
rm -rf "$seeds" && mkdir -p "$seeds/zip" "$seeds/text" "$seeds/http"

cp wizard/AppIni.ini "$seeds/text/"
printf 'Windows Registry Editor Version 5.00\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Firebird Project\\Firebird Server\\Instances]\r\n"DefaultInstance"="C:\\\\FB3\\\\"\r\n' > "$seeds/text/registry.reg"
printf '#RemoteServicePort = 3050\r\nnv=C:\\Alt\\nv.db\r\n' > "$seeds/text/firebird.conf"
printf '[DBFileListClient]\r\nBrisa=db_base.zip;db_images.zip\r\n[UpdFileDescr]\r\nBrisa=Ersatzteile\r\n' > "$seeds/text/install.ini"
printf '"C:\\Program Files\\Norvano 6\\unins000.exe" /silent "a b"\\"c' > "$seeds/text/commandline"
printf 'sid=abc; Path=/users; Domain=update.example; Max-Age=60; Secure\n' > "$seeds/text/cookie"

python3 - "$seeds/zip" <<'PY'
import sys, zipfile
z = zipfile.ZipFile(sys.argv[1] + '/seed.zip', 'w')
z.writestr('db/nv.db', 'x' * 3000, zipfile.ZIP_DEFLATED)
z.writestr('Größe.txt', 'stored', zipfile.ZIP_STORED)
z.writestr('db/', '')
z.close()
z = zipfile.ZipFile(sys.argv[1] + '/zip64.zip', 'w', allowZip64=True)
with z.open('etg_parts.db', 'w', force_zip64=True) as f:
    f.write(b'parts' * 100)
z.close()
PY

# Answers of a server; the first byte of each seed sets the size of the pieces they arrive in.
answer() { printf '%b' "$2" > "$seeds/http/$1"; }
answer length '\x05HTTP/1.1 200 OK\r\nContent-Length: 5\r\nSet-Cookie: sid=1; Path=/\r\n\r\nhello'
answer chunked '\x20HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5;x=y\r\nhello\r\n0\r\nX-Trailer: 1\r\n\r\n'
answer redirect '\x03HTTP/1.1 302 Found\r\nLocation: /users/norvano/other\r\nContent-Length: 0\r\n\r\nHTTP/1.1 200 OK\r\nConnection: close\r\n\r\nbody until close'
answer continue '\x01HTTP/1.1 100 Continue\r\n\r\nHTTP/1.0 401 Unauthorized\r\nContent-Length: 3\r\n\r\nnopHTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok'

cd build/fuzz
for pair in FuzzZip:zip FuzzText:text FuzzHttp:http; do
  target="${pair%%:*}" corpus="${pair##*:}"
  regressions="$root/tests/fuzz/regressions/$target"
  if [ -d "$regressions" ]; then tests/fuzz/"$target" -runs=0 "$regressions"/* >/dev/null 2>&1 || {
    echo "$target: a recorded finding is back"; tests/fuzz/"$target" -runs=0 "$regressions"/*; exit 1; }; fi
  mkdir -p "corpus/$corpus"
  log="$target.log"
  if ! tests/fuzz/"$target" -max_total_time="$seconds" -max_len=8192 -print_final_stats=1 \
      "corpus/$corpus" "seeds/$corpus" > "$log" 2>&1; then
    tail -40 "$log"
    echo "$target: finding, input in $PWD"
    exit 1
  fi
  echo "$target: $(grep -m1 'stat::number_of_executed_units' "$log" | awk '{print $2}') executions in ${seconds} s, no finding"
done
