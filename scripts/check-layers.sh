#!/usr/bin/env bash
# Fails, naming the lines, when a layer of the core includes one above it or beside it:
# util/ and host/ stand alone, source/ and install/ know neither each other nor the
# wizard, and no part of the core includes a window. (The linker checks what is called:
# the parts' test programs link each part alone.)
set -euo pipefail
cd "$(dirname "$0")/.."
status=0
check() { # folder, then the folders it must not include
  local folder=$1
  shift
  local pattern
  pattern="#include \"($(IFS='|'; echo "$*"))/"
  if grep -rnE "$pattern" "$folder" --include='*.h' --include='*.cpp'; then
    echo "$folder/ must not include $*"
    status=1
  fi
}
check util host source install wizard ui app
check host source install wizard ui app
check source install wizard ui app
check install source wizard ui app
check wizard ui app
exit $status
