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
# Exit codes as the shell sees them: a process's exit status keeps 8 bits.
code() { echo $(($1 % 256)); }
# The scripts lock installations in a folder of their own (POSIX; Windows' lock is a named
# mutex per Wine prefix), so that they can run side by side; only the test of the
# machine-wide lock uses the system's.
own_lock_folder() { mkdir -p "$1"; export TVINSTALL_LOCK_FOLDER="$1"; }
