#!/usr/bin/env bash
# What CI does on a new machine, as far as one machine can: a fresh clone of HEAD in a
# temporary folder (nothing built, nothing cached), every binfmt_misc registration of the
# 32-bit emulator switched off for the run (a new machine has none; they are switched on
# again afterwards), then `.ci/run` as CI calls it. Prints its exit code and its time.
# Packages installed earlier stay installed: the scripts install what is missing, so a
# new machine only takes longer.
set -uo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
clone=$(mktemp -d /tmp/tvinstall-fresh.XXXXXX)
# Readable to all, as a checkout is: nginx's workers and the test run as an ordinary user
# read the tree (mktemp makes it the owner's alone).
chmod 755 "$clone"
binfmt=/proc/sys/fs/binfmt_misc

switched_off=()
restore() {
  for entry in "${switched_off[@]}"; do
    echo 1 > "$binfmt/$entry" 2>/dev/null || echo "fresh-check: could not switch $entry on again"
  done
  rm -rf "$clone"
}
trap restore EXIT

if mountpoint -q "$binfmt"; then
  for file in "$binfmt"/*; do
    entry=$(basename "$file")
    case "$entry" in register | status) continue ;; esac
    if grep -qx enabled "$file" && grep -q '^interpreter .*qemu-i386' "$file"; then
      echo 0 > "$file" && switched_off+=("$entry") && echo "fresh-check: switched off $entry"
    fi
  done
fi

git clone -q --no-hardlinks "$root" "$clone/tvinstall"
cd "$clone/tvinstall"
echo "fresh-check: $(git log -1 --format='%h %s') in $clone/tvinstall"
started=$(date +%s)
CI=true bash .ci/run
code=$?
seconds=$(($(date +%s) - started))
echo "fresh-check: .ci/run ended with exit code $code after $((seconds / 60)) min $((seconds % 60)) s"
exit "$code"
