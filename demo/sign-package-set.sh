#!/usr/bin/env bash
# Completes the manifest of the package set in folder $2 for the programs of build $1, as
# a publisher does for a release: with the build's signing key ($1/signing/private.pem,
# made by scripts/signing-key.sh for a build that trusts it) its digests, sizes and
# release are written and it is signed (serial $3, 1 by default; valid 30 days); without
# one only the digests are written, in place of those an earlier run appended.
set -euo pipefail
build="$1" folder="$2" serial="${3:-1}"
if [ -f "$build/signing/private.pem" ]; then
  "$build/tvinstall-publish" sign --key "$build/signing/private.pem" --serial "$serial" \
    --expires "$(date -u -d '+30 days' +%Y-%m-%dT%H:%M:%SZ)" "$folder" > /dev/null
else
  packages="$folder/Packages"
  [ -d "$packages" ] || packages="$folder"
  sed -i '/^\[SHA256\]/,$d' "$folder/install.ini" # this script's section is the last
  "$(dirname "$0")/../scripts/manifest-hashes.sh" "$packages" >> "$folder/install.ini"
fi
