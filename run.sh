#!/usr/bin/env bash
# Builds the station and starts it in a demo working folder under build/demo,
# with the emulated bridge board plugged in (kavel-bridge-emud: a real hidraw
# node the station opens through hidapi; its control window sits beside the
# station). On a machine without a display it starts a virtual one and keeps a
# fresh screenshot of it, so the window can be seen from a server too.
#
# Every filed result is recorded in build/demo/results.db. With --line the demo
# also gets a line server: a PostgreSQL of its own in build/demo/line-server,
# which the station sends its runs to (build/demo/line.ini), stopped on exit.
set -euo pipefail
cd "$(dirname "$0")"
root=$(pwd)
line=0
for arg in "$@"; do
  case "$arg" in
  --line) line=1 ;;
  *) echo "usage: $0 [--line]" >&2; exit 2 ;;
  esac
done

./scripts/install-deps.sh

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)" --target kavel-station kavel-bridge-emud station_translations kavel-results

demo="$root/build/demo"
mkdir -p "$demo/Config" "$demo/QlxFiles" "$demo/resultsPASS" "$demo/resultsFAIL" "$demo/log"
# The station rewrites config.txt and its profile on exit: keep what a user changed.
[ -f "$demo/config.txt" ] || cp resources/demo/config.txt "$demo/config.txt"
[ -f "$demo/Config/demo.ini" ] || cp resources/demo/Config/demo.ini "$demo/Config/demo.ini"
# A baseline taken from emulated good panels, so the first run can judge planeness.
[ -f "$demo/log/baseline.csv" ] || cp resources/demo/log/baseline.csv "$demo/log/baseline.csv"
cp resources/demo/css.qss "$demo/css.qss"
cp emulator/firmware/demo.qlx "$demo/QlxFiles/demo.qlx"
cp build/translations/vorlane_zh.qm build/translations/vorlane_en.qm "$demo/"
if [ "$line" = 1 ]; then
  admin=$(scripts/demo-line-server.sh start "$demo/line-server")
  # Set up as a line's administrator does (see the README): the schema, and a
  # role of the demo station's own that may add its runs and nothing else.
  build/src/results/cli/kavel-results --connection "$admin" server init >/dev/null
  build/src/results/cli/kavel-results --connection "$admin" server add-station DEMO-1 --role demo_station >/dev/null
  connection=${admin/user=postgres/user=demo_station}
  (umask 077 && printf '[line]\nconnection=%s\n[station]\nid=DEMO-1\n' "$connection" >"$demo/line.ini")
  chmod 600 "$demo/line.ini"
  trap '"$root/scripts/demo-line-server.sh" stop "$demo/line-server"' EXIT
  echo "run.sh: the line server takes connections at: $connection"
else
  rm -f "$demo/line.ini"
fi

station=("$root/build/emulator/hidraw/kavel-bridge-emud" --panel "$root/emulator/panels/demo.ini"
         --latency-us 1000 --control "$demo/emud.ctl" -- "$root/build/src/app/kavel-station")
cd "$demo"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  # With a line server the script stays, to stop the server when the station ends.
  if [ "$line" = 1 ]; then
    "${station[@]}"
    exit
  fi
  exec "${station[@]}"
fi

echo "run.sh: no display here; starting the station on a virtual screen (Xvfb)."
n=90
while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
Xvfb ":$n" -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
station_pid=""
cleanup() {
  [ -n "$station_pid" ] && kill "$station_pid" 2>/dev/null || true
  kill "$xvfb_pid" 2>/dev/null || true
  if [ "$line" = 1 ]; then "$root/scripts/demo-line-server.sh" stop "$demo/line-server"; fi
}
trap cleanup EXIT INT TERM
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
export DISPLAY=":$n"

shot="$demo/screen.png"
echo "run.sh: a screenshot of the virtual screen is kept fresh at $shot"
"${station[@]}" &
station_pid=$!
while kill -0 "$station_pid" 2>/dev/null; do
  sleep 2
  import -window root "$shot.tmp.png" 2>/dev/null && mv -f "$shot.tmp.png" "$shot"
done
wait "$station_pid" || true
