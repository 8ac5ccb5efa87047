#!/bin/sh
# Fills ./log with N result files of emulated good panels, ready for
# "Reference value check" -> "Generate Files".
#   scripts/collect-baseline.sh N [PANEL.ini] [FOLDER]
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=${KAVEL_BUILD:-$here/build}
[ $# -ge 1 ] || { echo "usage: $0 N [PANEL.ini] [FOLDER]" >&2; exit 2; }
cmake --build "$build" --target kavel-collect-baseline >/dev/null
exec "$build/emulator/kavel-collect-baseline" "$@"
