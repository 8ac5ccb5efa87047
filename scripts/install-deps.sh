#!/usr/bin/env bash
# Installs what the station, its emulator and its tests need, and nothing that is
# already there. Safe to run again and again. Usage: install-deps.sh [--fuzz]
set -euo pipefail

packages=(
  g++ cmake make pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools
  libhidapi-dev libboost-regex-dev libudev-dev libbenchmark-dev
  xvfb xauth imagemagick x11-utils
  umockdev libumockdev-dev libglib2.0-dev
  fonts-noto-cjk
  dpkg-dev desktop-file-utils
  # The package's own check (scripts/check-package.sh) installs it on a bare
  # Debian root made with debootstrap.
  debootstrap
  # The results store: SQLite on the station, PostgreSQL for a line. The tests
  # start a private PostgreSQL server of their own (tests/support/pgserver.h) and
  # never use the distribution's cluster, so nothing here starts it.
  libqt6sql6-sqlite libqt6sql6-psql postgresql
  # libpq's header: the uploader cuts its own connection to the line's server
  # when it closes while the server holds a call (a synchronous standby away).
  libpq-dev
  # The line tests' own certificate authority for a TLS server (openssl req/x509).
  openssl
  # The station's store keeps the result files' texts compressed (zstd) and
  # hashes them with OpenSSL's SHA-1.
  libzstd-dev libssl-dev
  # SQLite's own headers, for the benchmark of what SQLite alone can write.
  libsqlite3-dev
  # The line statistics' charts; Qt Charts' CMake package needs Qt OpenGL's.
  qt6-charts-dev libqt6opengl6-dev
)
# --fuzz (scripts/fuzz.sh): clang with the libFuzzer and sanitizer runtimes too.
if [ "${1:-}" = "--fuzz" ]; then
  packages+=(clang libclang-rt-14-dev)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
