#!/usr/bin/env bash
# Install what is missing, build, run every test with ctest.
#   ./test.sh             normal build in build/
#   ./test.sh --sanitize  address + undefined-behaviour sanitizers in build-sanitize/
set -euo pipefail
cd "$(dirname "$0")"
. scripts/deps.sh
zq_ensure_packages

dir=build
flags=(-DCMAKE_BUILD_TYPE=Release)
if [ "${1:-}" = "--sanitize" ]; then
  dir=build-sanitize
  flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DZQ_SANITIZE=ON)
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1"
  export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
fi
cmake -S . -B "$dir" "${flags[@]}" >/dev/null
cmake --build "$dir" -j"$(nproc)"
cd "$dir"
ctest -j"$(nproc)" --output-on-failure --timeout 900
