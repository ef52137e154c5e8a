#!/usr/bin/env bash
# Makes build $1 trust a signing key of its own, as a publisher's build trusts the
# publisher's: the pair is made once with the build's tvinstall-publish
# ($1/signing/private.pem and public.pem), and the build is configured with the public
# key (TV_TRUSTED_KEYS). Its end-to-end runs then sign their package sets with it.
set -euo pipefail
build="$1"
cmake --build "$build" -j2 --target tvinstall-publish > /dev/null
if [ ! -f "$build/signing/public.pem" ]; then
  mkdir -p "$build/signing"
  "$build/tvinstall-publish" keygen "$build/signing/private.pem" "$build/signing/public.pem" > /dev/null
fi
cmake -B "$build" -DTV_TRUSTED_KEYS="$(cd "$build" && pwd)/signing/public.pem" > /dev/null
