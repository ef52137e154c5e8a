#!/usr/bin/env bash
# Completes the manifest of the package set in folder $2 for the programs of build $1, as
# a publisher does for a release: with the build's signing key ($1/signing/private.pem,
# made by scripts/signing-key.sh for a build that trusts it) its digests, sizes and
# release are written and it is signed (serial 1, valid 30 days); without one only the
# digests are appended.
set -euo pipefail
build="$1" folder="$2"
if [ -f "$build/signing/private.pem" ]; then
  "$build/tvinstall-publish" sign --key "$build/signing/private.pem" --serial 1 \
    --expires "$(date -u -d '+30 days' +%Y-%m-%dT%H:%M:%SZ)" "$folder" > /dev/null
else
  packages="$folder/Packages"
  [ -d "$packages" ] || packages="$folder"
  "$(dirname "$0")/../scripts/manifest-hashes.sh" "$packages" >> "$folder/install.ini"
fi
