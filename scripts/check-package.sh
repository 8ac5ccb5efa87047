#!/usr/bin/env bash
# The Debian package on a station that has nothing but what the package declares:
# a fresh Debian 12 root (debootstrap --variant=minbase), the package installed
# there with apt-get and without recommended packages, and the installed programs
# used as on a line:
#   1. kavel-results imports a PASS and a FAIL result file into a new store;
#   2. the station starts offscreen through its launcher in a new working folder,
#      records the result file it finds filed there, sends it to a line server,
#      and opens its statistics window;
#   3. the station runs a panel on the emulated bridge board (kavel-bridge-emud
#      from the build tree, with the libraries only it needs added to the root),
#      files and records the run and sends it to the line server, where
#      kavel-results --connection finds both runs.
# Fails on a Qt driver or plugin that is not loaded, a missing library, no font
# for the Chinese texts, or a run that is not recorded.
#
#   scripts/check-package.sh [BUILD_DIR]        (default: build)
#
# Uses BUILD_DIR/kavel-station_*.deb (cpack -G DEB) and the emulator host built
# there. The Debian root is made once from the Debian registry that the machine's
# apt sources name and kept, with the packages downloaded into it, in
# $KAVEL_PACKAGE_CHECK_CACHE (default /var/cache/kavel-package-check; remove it to
# make the root anew). What the package declares is installed there by apt-get from
# the package once and kept as a layer of its own (the package taken out again),
# made anew when the declarations change and after a week. Each check runs on a
# throw-away layer over these (BUILD_DIR/package-check, kept after a failure for a
# look), in a mount and process namespace of its own, so nothing is left mounted
# or running afterwards.
# Needs root (debootstrap, chroot, mounts): without it, or where no mount namespace
# can be made, it says why and exits 77 (skipped).
set -euo pipefail

me=check-package
say() { echo "$me: $*"; }
skip() {
  echo "$me: SKIPPED: $*" >&2
  exit 77
}
fail() {
  echo "$me: FAILED: $*" >&2
  exit 1
}

source_dir=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$source_dir/build}")
# The Debian root and the packages downloaded into it serve every build and work
# tree of the machine; a check's own layer is in its build folder.
cache=${KAVEL_PACKAGE_CHECK_CACHE:-/var/cache/kavel-package-check}
base=$cache/bookworm-minbase
run=$build/package-check
root=$run/root
line_socket=/tmp/line-server # the line server's folder, as the root sees it

if [ "${KAVEL_CHECK_PACKAGE_INSIDE:-}" != 1 ]; then
  # ---- outside: what is needed, the cached Debian root, then the namespace ----
  [ "$(id -u)" -eq 0 ] || skip "needs root to make a Debian root and chroot into it (CI runs as root)"
  for tool in debootstrap unshare chroot; do
    command -v "$tool" >/dev/null || skip "$tool is missing (scripts/install-deps.sh installs it)"
  done
  unshare --mount --propagation private true 2>/dev/null || skip "no mount namespace can be made here"

  shopt -s nullglob
  debs=("$build"/kavel-station_*.deb)
  shopt -u nullglob
  [ ${#debs[@]} -eq 1 ] || fail "expected one kavel-station_*.deb in $build, found ${#debs[@]} (cd $build && cpack -G DEB)"
  [ -x "$build/emulator/hidraw/kavel-bridge-emud" ] || fail "$build/emulator/hidraw/kavel-bridge-emud is not built"
  pgbin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
  [ -n "$pgbin" ] || fail "no PostgreSQL server programs (scripts/install-deps.sh installs postgresql)"

  # The Debian registry this machine's apt uses: its Debian entries go into the
  # root, so the station's dependencies come from where the build's came from.
  mapfile -t sources < <(grep -lsE '^(URIs:|deb) .*/debian(-security)?/?( |$)' \
    /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources || true)
  [ ${#sources[@]} -gt 0 ] || fail "no Debian entry in /etc/apt/sources.list or /etc/apt/sources.list.d/"
  mirror=$(grep -hoE '^(URIs:|deb) +[^ ]+/debian/?( |$)' "${sources[@]}" | awk '{print $2}' | head -n 1)
  [ -n "$mirror" ] || fail "no Debian mirror named in ${sources[*]}"

  started=$SECONDS
  mkdir -p "$cache"
  # One check at a time on the machine: they share the root and the downloads.
  exec 9>"$cache/lock"
  flock -w 1800 9 || fail "another check has held $cache/lock for 30 minutes"
  if [ ! -e "$base.done" ]; then
    say "making the Debian 12 root from $mirror (once; kept in $base)"
    rm -rf "$base" "$base.new" "$cache"/deps-*
    debootstrap --variant=minbase bookworm "$base.new" "$mirror" >"$cache/debootstrap.log" 2>&1 ||
      fail "debootstrap failed, see $cache/debootstrap.log"
    rm -f "$base.new/etc/apt/sources.list"
    cp "${sources[@]}" "$base.new/etc/apt/sources.list.d/"
    cp /etc/resolv.conf "$base.new/etc/resolv.conf"
    chroot "$base.new" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin apt-get update -q >>"$cache/debootstrap.log" 2>&1 ||
      fail "apt-get update in the new root failed, see $cache/debootstrap.log"
    mv "$base.new" "$base"
    touch "$base.done"
    say "root made in $((SECONDS - started)) s"
  fi

  rm -rf "$run"
  mkdir -p "$run/upper" "$run/work" "$root" "$cache/archives/partial"
  rc=0
  KAVEL_CHECK_PACKAGE_INSIDE=1 KAVEL_CHECK_DEB=${debs[0]} KAVEL_CHECK_PGBIN=$pgbin \
    KAVEL_CHECK_SOURCES="${sources[*]}" \
    unshare --mount --pid --fork --propagation private "$0" "$build" || rc=$?
  if [ $rc -eq 0 ]; then
    rm -rf "$run"
    say "passed in $((SECONDS - started)) s"
  else
    say "the root as the check left it: $run/upper"
  fi
  exit $rc
fi

# ---- inside the namespace: everything mounted here goes with it ----
mount_root() { # mount_root LOWER_DIRS UPPER_DIR WORK_DIR
  mount -t overlay overlay -o "lowerdir=$1,upperdir=$2,workdir=$3" "$root"
  mount -t proc proc "$root/proc"
  mount --rbind /dev "$root/dev"
  # Downloaded packages are kept between checks.
  mount --bind "$cache/archives" "$root/var/cache/apt/archives"
  cp /etc/resolv.conf "$root/etc/resolv.conf"
  rm -f "$root/etc/apt/sources.list"
  for f in $KAVEL_CHECK_SOURCES; do
    cp "$f" "$root/etc/apt/sources.list.d/"
  done
  # No service of an installed package starts in the root.
  printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
  chmod +x "$root/usr/sbin/policy-rc.d"
}
in_root() {
  chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
    DEBIAN_FRONTEND=noninteractive "$@"
}
apt_update() {
  in_root apt-get update -q >>"$root/root/apt.log" 2>&1 || {
    tail -n 30 "$root/root/apt.log" >&2
    fail "apt-get update in the root failed"
  }
}
apt_install() { # with the package lists brought up to date when the registry moved on
  local options=(-y -q --no-install-recommends -o Dpkg::Options::=--force-unsafe-io)
  if ! in_root apt-get install "${options[@]}" "$@" >>"$root/root/apt.log" 2>&1; then
    apt_update
    in_root apt-get install "${options[@]}" "$@" >>"$root/root/apt.log" 2>&1 || {
      tail -n 30 "$root/root/apt.log" >&2
      fail "apt-get install $* failed"
    }
  fi
}
step_started=$SECONDS
step() {
  say "$1 ($((SECONDS - step_started)) s)"
  step_started=$SECONDS
}
deb=/root/$(basename "$KAVEL_CHECK_DEB")

# What the package declares, installed by apt-get from the package itself on the bare
# root and kept as a layer over it (the package taken out again): made anew when the
# package declares something else, and after a week, so it stays what a new station gets.
key=$(dpkg-deb -f "$KAVEL_CHECK_DEB" Pre-Depends Depends Recommends | sha256sum | cut -c1-16)
deps=$cache/deps-$key
find "$cache" -maxdepth 1 -name 'deps-*.done' -mtime +6 -delete
if [ ! -e "$deps.done" ]; then
  rm -rf "$cache"/deps-*
  mkdir -p "$deps/upper" "$deps/work" "$deps/upper/root"
  mount_root "$base" "$deps/upper" "$deps/work"
  cp "$KAVEL_CHECK_DEB" "$root/root/"
  apt_update
  apt_install "$deb"
  in_root dpkg --purge kavel-station >>"$root/root/apt.log" 2>&1 || fail "dpkg --purge kavel-station failed"
  rm -f "$root$deb"
  umount -R "$root"
  rm -rf "$deps/work"
  touch "$deps.done"
  step "installed what the package declares, kept in $deps"
fi

# ---- the package on that root ----
mount_root "$deps/upper:$base" "$run/upper" "$run/work"
cp "$KAVEL_CHECK_DEB" "$root/root/"
apt_install "$deb"
[ "$(in_root dpkg-query -W -f='${Status}' kavel-station)" = "install ok installed" ] ||
  fail "kavel-station is not installed in the root"
step "installed $(basename "$deb"): Depends: $(in_root dpkg-query -W -f='${Depends}' kavel-station)"

# A station user, as the README sets one up.
in_root useradd --create-home --groups plugdev tester
uid=$(in_root id -u tester)
gid=$(in_root id -g tester)
home=/home/tester
# A command as the tester, in the root: "${as_tester[@]}" COMMAND... (an array, so
# that a command started in the background is the process that $! names).
as_tester=(chroot --userspec="$uid:$gid" --groups="$(in_root getent group plugdev | cut -d: -f3)" "$root"
  /usr/bin/env -i PATH=/usr/bin:/bin "HOME=$home" LANG=C.UTF-8 QT_QPA_PLATFORM=offscreen
  "KAVEL_STATION_TEST_CHANNEL=$home/channel.txt")
put() { # put SOURCE PATH-IN-HOME: a file of the tester's
  mkdir -p "$(dirname "$root$home/$2")"
  cp "$1" "$root$home/$2"
  chown -R "$uid:$gid" "$root$home"
}
# Library and plugin failures as Qt and the dynamic loader word them.
check_log() {
  if grep -iE "driver not loaded|error while loading shared libraries|could not load the qt platform plugin|cannot load library" \
      "$root$home/$1" >&2; then
    fail "$1 names something missing from the package's dependencies"
  fi
}
wait_for() { # wait_for SECONDS WHAT COUNT COMMAND...: until COMMAND prints at least COUNT
  local limit=$1 what=$2 want=$3
  shift 3
  local until=$((SECONDS + limit)) got
  while :; do
    got=$("$@")
    [ "${got:-0}" -lt "$want" ] || break
    [ $SECONDS -lt $until ] || return 1
    sleep 0.5
  done
  say "$what"
}
count() { # count PATTERN FILE: lines of FILE that start with PATTERN, 0 without the file
  local n
  n=$(grep -c "^$1" "$2" 2>/dev/null) || true
  echo "${n:-0}"
}
runs_in() { "${as_tester[@]}" kavel-results --store "$home/$1" export --format json 2>/dev/null | count '{"run"' -; }

# ---- 1. kavel-results ----
put "$source_dir/tests/data/tools/run-pass-30x20.csv" archive/resultsPASS/12-01-08-30-00.csv
put "$source_dir/tests/data/tools/run-fail-30x20.csv" archive/resultsFAIL/12-01-08-31-00.csv
"${as_tester[@]}" kavel-results --store $home/archive.db import $home/archive >"$root$home/import.log" 2>&1 || {
  cat "$root$home/import.log" >&2
  fail "kavel-results import failed"
}
check_log import.log
grep -q "imported 2," "$root$home/import.log" || fail "kavel-results import: $(cat "$root$home/import.log")"
[ "$(runs_in archive.db)" -eq 2 ] || fail "kavel-results does not find the 2 imported runs"
step "kavel-results imported 2 result files and found them"

# ---- 2. the station in a new working folder, with a line server ----
# The server's folder holds its socket, whose path may not be long: it is a short
# one of the machine's, seen in the root as $line_socket.
server=$(mktemp -d /tmp/kavel-line.XXXXXX)
chmod 755 "$server" # the station user reaches the socket in it
trap '"$source_dir/scripts/demo-line-server.sh" stop "$server"; rm -rf "$server"' EXIT
mkdir -p "$root$line_socket"
mount --bind "$server" "$root$line_socket"
"$source_dir/scripts/demo-line-server.sh" start "$server" >/dev/null ||
  fail "the line server did not start"
"$KAVEL_CHECK_PGBIN/psql" -h "$server" -U postgres -d postgres -qX -v ON_ERROR_STOP=1 \
  -c "CREATE DATABASE results" >/dev/null ||
  fail "the line server's database was not made"
# The line set up as the README's administrator does, with the installed tool: the
# schema and its groups, the station's own role, and a reader.
for command in "server init" "server add-station ST-CHECK --role station" "server add-reader --role reader"; do
  # shellcheck disable=SC2086 # the command's words
  in_root kavel-results --connection "host=$line_socket dbname=results user=postgres" $command \
    >>"$root/root/line-setup.log" 2>&1 || {
    cat "$root/root/line-setup.log" >&2
    fail "kavel-results $command failed on the line server"
  }
done
on_line() {
  "$KAVEL_CHECK_PGBIN/psql" -h "$server" -U postgres -d results -tAXc "SELECT count(*) FROM runs" \
    2>/dev/null || echo 0
}
put "$source_dir/tests/data/tools/run-pass-30x20.csv" station/resultsPASS/12-01-09-00-00.csv
printf '[line]\nconnection=host=%s dbname=results user=station\n[station]\nid=ST-CHECK\n' "$line_socket" \
  >"$root$home/line.ini"
put "$root$home/line.ini" station/line.ini
chmod 600 "$root$home/station/line.ini" # the station warns about a line.ini others can read

stop_station() { # as a desktop ends it; a process that outlives 20 s is a failure
  kill -TERM "$1" 2>/dev/null || true
  local until=$((SECONDS + 20))
  while kill -0 "$1" 2>/dev/null; do
    if [ $SECONDS -ge $until ]; then
      kill -KILL "$1" 2>/dev/null || true
      fail "$2 did not end on SIGTERM"
    fi
    sleep 0.2
  done
  wait "$1" 2>/dev/null || true
}
# The first start lays the folder out from the template and records what is filed there.
"${as_tester[@]}" kavel-station-launcher $home/station >"$root$home/station.log" 2>&1 &
station=$!
channel() { count "$1" "$root$home/channel.txt"; }
# What the station showed (its message pane, message boxes), for a failure's report.
shown() { grep -v '^tick|' "$root$home/$1" >&2 || true; }
wait_for 60 "the station is up" 1 channel 'window|shown' || {
  cat "$root$home/station.log" >&2
  fail "the installed station did not come up"
}
wait_for 30 "the station recorded the filed run in results.db" 1 runs_in station/results.db || {
  check_log station.log
  shown channel.txt
  fail "the station did not record the filed run in results.db"
}
wait_for 30 "the station sent it to the line server" 1 on_line || {
  check_log station.log
  shown channel.txt
  fail "the station did not send the run to the line server"
}
echo "action|actionLine_statistics" >>"$root$home/channel.txt.in"
wait_for 30 "the statistics window opened" 1 channel 'shown|stats::StatsWindow' ||
  fail "the statistics window did not open"
stop_station $station "the station"
check_log station.log
# Chinese is the station's start-up language: without a font that has its glyphs
# the window shows boxes.
[ -n "$(in_root fc-list :lang=zh family)" ] || fail "no font in the root has the Chinese texts' glyphs"
step "the station recorded, sent and showed its store"

# ---- 3. a run on the emulated board ----
# The emulator host is no part of the package: the libraries it needs beyond the
# station's come in now, after the station was checked without them.
emud=$build/emulator/hidraw/kavel-bridge-emud
mapfile -t emud_packages < <(ldd "$emud" | awk '$2 == "=>" && $3 ~ /^\// {print $3}' | xargs -r readlink -f |
  xargs -r dpkg -S 2>/dev/null | cut -d: -f1 | sort -u)
apt_install umockdev "${emud_packages[@]}"
mkdir -p "$root/opt/check"
cp "$emud" "$source_dir/emulator/panels/demo.ini" "$root/opt/check/"
# The run starts when the board is plugged in, as on a power-on test station.
sed -i 's/^Power_On_Test=0/Power_On_Test=1/; s/^Init_time=300/Init_time=50/' "$root$home/station/Config/demo.ini"
grep -q '^Power_On_Test=1' "$root$home/station/Config/demo.ini" || fail "the template's profile has no Power_On_Test"
mv "$root$home/channel.txt" "$root$home/channel.first.txt"
rm -f "$root$home/channel.txt.in"
"${as_tester[@]}" sh -c "cd $home/station && exec /opt/check/kavel-bridge-emud --no-window --panel /opt/check/demo.ini \
  --unplugged --control $home/emud.ctl -- kavel-station" >"$root$home/emulated.log" 2>&1 &
host=$!
# The board goes in once the station watches for it (perl-base is on every Debian).
wait_for 60 "the station is up on the emulator host" 1 channel 'window|shown' || {
  cat "$root$home/emulated.log" >&2
  fail "the station did not come up under the emulator host"
}
plugged=$(perl -MIO::Socket::UNIX -e '
  my $host = IO::Socket::UNIX->new(Peer => $ARGV[0]) or die "cannot reach the emulator host: $!\n";
  print $host "plug\n";
  print scalar <$host>;' "$root$home/emud.ctl") || true
[ "${plugged%$'\n'}" = "ok plugged" ] || fail "the emulator host did not plug the board in: $plugged"
filed() { find "$root$home/station/resultsPASS" "$root$home/station/resultsFAIL" -name '*.csv' | wc -l; }
wait_for 90 "the station filed a run of the emulated board" 2 filed || {
  check_log emulated.log
  shown channel.txt
  fail "the station filed no run of the emulated board"
}
wait_for 30 "the station recorded it in results.db" 2 runs_in station/results.db || {
  shown channel.txt
  fail "the station did not record its run in results.db"
}
wait_for 30 "the station sent it to the line server" 2 on_line || {
  shown channel.txt
  fail "the station did not send its run to the line server"
}
line_runs=$("${as_tester[@]}" kavel-results --connection "host=$line_socket dbname=results user=reader" export --format json \
  2>"$root$home/line-export.log" | count '{"run"' -)
check_log line-export.log
[ "$line_runs" -eq 2 ] || fail "kavel-results finds $line_runs runs on the line server, not 2"
stop_station $host "the emulator host"
check_log emulated.log
step "the emulated run was filed, recorded, sent, and found on the line server by kavel-results"
