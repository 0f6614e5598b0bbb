#!/usr/bin/env bash
# Install what is missing, build in Release into build/, start the program.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/deps.sh
zq_ensure_packages
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "Built build/bin/zarnich-quorvel, but there is no display to show its window on."
  echo "Start it under a virtual display with:"
  echo "  xvfb-run -a -s '-screen 0 1280x1024x24' ./build/bin/zarnich-quorvel"
  exit 0
fi
exec ./build/bin/zarnich-quorvel "$@"
