#!/usr/bin/env bash
# Builds the station and runs every test, then builds and runs them all again
# with AddressSanitizer and UndefinedBehaviorSanitizer. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")"

./scripts/install-deps.sh

jobs=$(nproc)
# Most of the process-level tests wait on the station's own fixed delays rather
# than compute, so ctest runs twice as many at once as there are cores.
test_jobs=$((jobs * 2))

echo "== build (Release) and tests"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure -j"$test_jobs")
# The Debian package from the Release build (a few seconds once everything is built).
(cd build && rm -f kavel-station_*.deb && cpack -G DEB >/dev/null && dpkg-deb -I kavel-station_*.deb >/dev/null)

# The package installed on a bare Debian 12 root, where the station and kavel-results
# must record and find runs with nothing but what the package declares (under a
# minute once the root is made; making it, once per machine, takes about 5 minutes).
echo "== the package on a bare Debian 12 root"
package_check=0
./scripts/check-package.sh build || package_check=$?
if [ "$package_check" -eq 77 ]; then
  echo "== the package check was SKIPPED (reason above): the .deb's dependencies are unchecked"
elif [ "$package_check" -ne 0 ]; then
  exit "$package_check"
fi

echo "== build with sanitizers and tests"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DKAVEL_SANITIZE=ON -DKAVEL_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan -j"$jobs"
(cd build-asan && ctest --output-on-failure -j"$test_jobs")
