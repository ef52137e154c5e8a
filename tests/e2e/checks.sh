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
# A path of this machine as a Windows program under Wine names it (drive Z:).
windows_path() { echo "Z:$1" | tr / '\\'; }
# Waits up to 10 s for a file to be written (a demo update server's settings); false if not.
wait_for_file() {
  for _ in $(seq 1 100); do [ -s "$1" ] && return 0; sleep 0.1; done
  return 1
}
# Reads a demo update server's settings file and names its nginx and test CA the way the
# Windows test suites read them; the wizard's own server variables are not theirs.
windows_suite_server() {
  # shellcheck disable=SC1090
  source "$1"
  export TV_NGINX_PORT TV_NGINX_ROOT TV_TEST_CA_DIR
  TV_NGINX_ROOT=$(windows_path "$TV_NGINX_ROOT_UNIX")
  TV_TEST_CA_DIR=$(windows_path "$TV_TEST_CA_DIR_UNIX")
  unset TVINSTALL_SERVER TVINSTALL_LOGIN_URL TVINSTALL_USER TVINSTALL_CA_FILE
}
