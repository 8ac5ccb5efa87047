#!/usr/bin/env bash
# Takes the README's pictures (docs/screenshots/*.png) on a virtual screen: the
# station's real windows, driven against the in-process emulated board.
# Usage: scripts/screenshots.sh [BUILD_DIR]   (default: build, the Release build)
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh
build=${1:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target kavel-doc-shots -j"$(nproc)"

out=docs/screenshots
mkdir -p "$out"
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1600x1000x24" \
  "$build/docs/shots/kavel-doc-shots" "$out" "$build/translations"
