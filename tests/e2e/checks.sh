# What the end-to-end scripts share: failures are counted and named as they come, and the
# script ends with one line a test runner reads, failing when any check failed.
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
finish() {
  if [ "$failures" -eq 0 ]; then echo "1 passed, 0 failed"; else echo "0 passed, 1 failed"; exit 1; fi
}
expect() { # what, expected code, actual code
  if [ "$2" = "$3" ]; then echo "ok: $1 (exit $3)"; else fail "$1: exit $3, expected $2"; fi
}
