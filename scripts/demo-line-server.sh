#!/usr/bin/env bash
# The demo's line server: a PostgreSQL 15 of its own, data and Unix socket in
# one folder, no TCP port.
#   demo-line-server.sh start DIR   starts it (creating it and its "line"
#                                   database the first time) and prints the
#                                   connection string for line.ini
#   demo-line-server.sh stop DIR    stops it
# initdb refuses to run as root: as root the server runs as "postgres".
set -euo pipefail
cmd=${1:?start or stop}
dir=$(realpath -m "${2:?folder}")
bin=/usr/lib/postgresql/15/bin
as_server=()
if [ "$(id -u)" -eq 0 ]; then
  as_server=(runuser -u postgres --)
fi

case "$cmd" in
start)
  mkdir -p "$dir"
  [ "$(id -u)" -eq 0 ] && chown postgres: "$dir"
  if [ ! -f "$dir/data/PG_VERSION" ]; then
    # Only this folder's socket reaches it; the demo needs no password.
    "${as_server[@]}" "$bin/initdb" -D "$dir/data" -U postgres -A trust >"$dir/initdb.log" 2>&1
  fi
  if ! "${as_server[@]}" "$bin/pg_ctl" -D "$dir/data" status >/dev/null 2>&1; then
    "${as_server[@]}" "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 30 \
      -o "-k $dir -c listen_addresses= -c fsync=off" start >/dev/null
  fi
  if ! "$bin/psql" -h "$dir" -U postgres -d postgres -tAc "SELECT 1 FROM pg_database WHERE datname = 'line'" \
      | grep -q 1; then
    "$bin/createdb" -h "$dir" -U postgres line
  fi
  echo "host=$dir user=postgres dbname=line"
  ;;
stop)
  if [ -f "$dir/data/PG_VERSION" ]; then
    "${as_server[@]}" "$bin/pg_ctl" -D "$dir/data" -m fast -w -t 30 stop >/dev/null 2>&1 || true
  fi
  ;;
*)
  echo "usage: $0 start|stop DIR" >&2
  exit 2
  ;;
esac
