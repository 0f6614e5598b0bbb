#!/usr/bin/env bash
# Install what is missing, build, run every test with ctest, through the CMake presets.
#   ./test.sh             the release build in build/
#   ./test.sh --sanitize  address + undefined-behaviour sanitizers in build-sanitize/
#   ./test.sh --ci        release with warnings as errors in build-ci/ (build only)
set -euo pipefail
cd "$(dirname "$0")"
. scripts/deps.sh
zq_ensure_packages

preset=release
case "${1:-}" in
  --sanitize) preset=sanitize ;;
  --ci) preset=ci ;;
  "") ;;
  *) echo "usage: ./test.sh [--sanitize | --ci]" >&2; exit 1 ;;
esac
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j"$(nproc)"
[ "$preset" = ci ] && exit 0
ctest --preset "$preset" -j"$(nproc)"
