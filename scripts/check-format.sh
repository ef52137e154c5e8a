#!/usr/bin/env bash
# Fails, naming the files, when a C++ file of the project is not laid out by .clang-format.
set -euo pipefail
cd "$(dirname "$0")/.."
unformatted=$(git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run 2>&1 |
  sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: warning.*/\1/p' | sort -u)
if [ -n "$unformatted" ]; then
  echo "Not laid out by .clang-format (run clang-format -i on them):"
  echo "$unformatted"
  exit 1
fi
