#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for a bounded time (default 600 s each).
#   fuzz/run.sh [seconds] [target ...]      targets: pagetext grid spreadsheet
# Crashing inputs land in fuzz/crash-<target>-*; copy each into the matching
# tests/<library>/fuzz-regressions/ folder so the normal tests replay it.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(pagetext grid spreadsheet)
CXX=clang++ CC=clang cmake -S . -B build-fuzz -DZQ_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
for t in "${targets[@]}"; do
  cmake --build build-fuzz --target "fuzz_$t" -j"$(nproc)"
  mkdir -p "fuzz/corpus-$t"
  seeds=()
  [ -d "fuzz/seeds/$t" ] && seeds=("fuzz/seeds/$t")
  ASAN_OPTIONS=detect_leaks=0 ./build-fuzz/bin/"fuzz_$t" "fuzz/corpus-$t" "${seeds[@]}" \
    -max_total_time="$seconds" -timeout=60 -artifact_prefix="fuzz/crash-$t-" -print_final_stats=1 2>&1 | tail -n 15
done
