#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for a bounded time (seconds, default 60)
# on seeds made from the project's own fixtures. A crash stops the script and leaves the
# input in build/fuzz/.
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds="${1:-60}"
CC=clang CXX=clang++ cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=Debug -DTV_FUZZ=ON -DBUILD_TESTING=OFF >/dev/null
cmake --build build/fuzz -j2 --target FuzzZip FuzzText
mkdir -p build/fuzz/seeds/zip build/fuzz/seeds/text
cp wizard/AppIni.ini build/fuzz/seeds/text/
printf 'Windows Registry Editor Version 5.00\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Firebird Project\\Firebird Server\\Instances]\r\n"DefaultInstance"="C:\\\\FB3\\\\"\r\n' > build/fuzz/seeds/text/registry.reg
printf '#RemoteServicePort = 3050\r\nnv=C:\\Alt\\nv.db\r\n' > build/fuzz/seeds/text/firebird.conf
python3 - build/fuzz/seeds/zip <<'PY'
import sys, zipfile
z = zipfile.ZipFile(sys.argv[1] + '/seed.zip', 'w')
z.writestr('db/nv.db', 'x' * 3000, zipfile.ZIP_DEFLATED)
z.writestr('Größe.txt', 'stored', zipfile.ZIP_STORED)
z.writestr('db/', '')
z.close()
PY
cd build/fuzz
tests/fuzz/FuzzZip -max_total_time="$seconds" -max_len=4096 seeds/zip 2>&1 | tail -3
tests/fuzz/FuzzText -max_total_time="$seconds" -max_len=4096 seeds/text 2>&1 | tail -3
