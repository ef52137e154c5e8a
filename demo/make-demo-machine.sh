#!/usr/bin/env bash
# Lays out a demo machine in folder $1 for the wizard built in $2: the program with
# "install.ini" beside it and the package set in Packages/ (stand-in installers under
# their real names, demo database archives), a registry file, a programs folder and a
# temporary folder. Nothing outside the folder is touched.
set -euo pipefail
machine="$1"
build="$2"
mkdir -p "$machine/program/Packages" "$machine/programs" "$machine/temp" "$machine/data"
rm -f "$machine/server.env"
# A Windows build brings its programs with their .exe names.
exe=""
[ -f "$build/tvinstall.exe" ] && exe=".exe"
cp "$build/tvinstall$exe" "$machine/program/tvinstall$exe"
# The tour program, which clicks through the window by itself, lies beside it.
cp "$build/tvinstall-tour$exe" "$machine/program/tvinstall-tour$exe"
for name in nv_setup.exe nv_update.exe fb32.exe st_setup.exe; do
  cp "$build/tests/stub_installer$exe" "$machine/program/Packages/$name"
done

# Kept from an earlier run, so a second start finds what the first installed.
[ -f "$machine/registry.reg" ] || cat > "$machine/registry.reg" <<REG
Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion]
"ProgramFilesDir"="$machine/programs"
REG

# Demo databases: the eight files of the alias table, a few megabytes of pages each.
if [ -f "$machine/served/db_base.zip" ]; then
  mv -f "$machine/served/"*.zip "$machine/program/Packages/"  # from an earlier online demo
fi
if [ ! -f "$machine/program/Packages/db_base.zip" ]; then
  work="$machine/temp/demo-db"
  rm -rf "$work" && mkdir -p "$work/base" "$work/images" "$work/parts"
  page() { python3 -c "import sys,random; r=random.Random(int(sys.argv[2])); sys.stdout.write(''.join('REC%06d|%s|%s\n' % (i, sys.argv[1], 'x'*r.randint(10,60)) for i in range(int(sys.argv[3]))))" "$@"; }
  page nv_sec 1 20000 > "$work/base/nv_sec.db"
  page nv 2 60000 > "$work/base/nv.db"
  page nv_img 3 40000 > "$work/images/nv_img.db"
  page nv_ebay 4 20000 > "$work/images/nv_ebay.db"
  page etg_cars 5 50000 > "$work/parts/etg_cars.db"
  page etg_parts 6 80000 > "$work/parts/etg_parts.db"
  page etg_aw 7 30000 > "$work/parts/etg_aw.db"
  page etg_svg 8 50000 > "$work/parts/etg_svg.db"
  (cd "$work/base" && zip -q -r "$machine/program/Packages/db_base.zip" .)
  (cd "$work/images" && zip -q -r "$machine/program/Packages/db_images.zip" .)
  (cd "$work/parts" && zip -q "$machine/program/Packages/upd_cars.zip" etg_cars.db etg_aw.db)
  (cd "$work/parts" && zip -q "$machine/program/Packages/upd_parts.zip" etg_parts.db etg_svg.db)
  rm -rf "$work"
fi

cat > "$machine/program/install.ini" <<'INI'
[DBFileListSingle]
Solan=db_base.zip;db_images.zip
Tavik=db_base.zip;db_images.zip;upd_parts.zip

[DBFileListClient]
Brisa=db_base.zip
Solan=db_base.zip;db_images.zip
Tavik=db_base.zip;db_images.zip;upd_cars.zip;upd_parts.zip

[UpdFileList]
Brisa=upd_parts.zip
Solan=upd_cars.zip;upd_parts.zip
Tavik=upd_cars.zip;upd_parts.zip

[UpdFileDescr]
Brisa=Ersatzteile
Solan=Fahrzeuge und Arbeitswerte;Ersatzteile mit Abbildungen
Tavik=Fahrzeuge und Arbeitswerte;Ersatzteile mit Abbildungen

INI
# Each package file's digest, checked before it is run or unpacked; signed where the
# build trusts a key of its own.
"$(dirname "$0")/sign-package-set.sh" "$build" "$machine/program"
