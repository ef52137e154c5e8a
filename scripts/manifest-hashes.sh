#!/usr/bin/env bash
# Prints the manifest's [SHA256] section for the package files in folder $1 (every file
# but the manifest itself): append it to "install.ini" whenever a package changes.
set -euo pipefail
folder="$1"
echo "[SHA256]"
find "$folder" -maxdepth 1 -type f ! -iname install.ini -printf '%f\n' | LC_ALL=C sort | while IFS= read -r name; do
  digest=$(sha256sum "$folder/$name")
  echo "$name=${digest%% *}"
done
