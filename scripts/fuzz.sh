#!/usr/bin/env bash
# Builds the fuzz targets of fuzz/ with clang and libFuzzer (build-fuzz) and runs
# each for SECONDS (default 60) over a scratch copy of its seed corpus and its
# regression inputs, then prints one line per target: executions, exec/s,
# corpus size and findings (crash, leak, timeout and out-of-memory inputs).
# Exits non-zero when any target found something or could not run.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]     e.g. scripts/fuzz.sh 60 baseline row_limits
#
# Findings stay in build-fuzz/fuzz-run/<target>/findings/; the seeds in the
# repository are never written to.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

seconds=${1:-60}
shift || true
all=(display_records stream_records firmware_image baseline baseline_generation log_result station_file row_limits)
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${all[@]}")

./scripts/install-deps.sh --fuzz

build=${KAVEL_FUZZ_BUILD:-build-fuzz}
launcher=()
if command -v ccache >/dev/null; then
  export CCACHE_BASEDIR="$root"
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ "${launcher[@]}" \
  -DKAVEL_FUZZ=ON -DKAVEL_BUILD_TESTS=OFF -DKAVEL_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]/#/fuzz_}"

export QT_QPA_PLATFORM=offscreen
# Leaks the fuzzer must not report (allocations Qt keeps for the whole process),
# should a target ever meet one: fuzz/lsan.supp, kept as narrow as possible.
if [ -f fuzz/lsan.supp ]; then
  export LSAN_OPTIONS="suppressions=$root/fuzz/lsan.supp:print_suppressions=0"
fi
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

run="$build/fuzz-run"
rows=()
status=0
for t in "${targets[@]}"; do
  dir="$run/$t"
  rm -rf "$dir"
  mkdir -p "$dir/corpus" "$dir/findings"
  cp "fuzz/corpus/$t/"* "$dir/corpus/"
  if compgen -G "fuzz/regressions/$t/*" >/dev/null; then
    cp "fuzz/regressions/$t/"* "$dir/corpus/"
  fi
  dict=()
  [ -f "fuzz/dict/$t.dict" ] && dict=(-dict="fuzz/dict/$t.dict")
  echo "== fuzz_$t for ${seconds}s"
  # A single allocation over 256 MB counts as a finding: no field may size one.
  set +e
  "$build/fuzz/fuzz_$t" "$dir/corpus" -max_total_time="$seconds" -timeout=10 \
    -rss_limit_mb=2048 -malloc_limit_mb=256 -print_final_stats=1 \
    -artifact_prefix="$dir/findings/" "${dict[@]}" >"$dir/log.txt" 2>&1
  rc=$?
  set -e
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$dir/log.txt" | tail -1)
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$dir/log.txt" | tail -1)
  corpus=$(find "$dir/corpus" -type f | wc -l)
  findings=$(find "$dir/findings" -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' \
    -o -name 'oom-*' \) | wc -l)
  if [ "$rc" -ne 0 ] && [ "$findings" -eq 0 ]; then
    findings="error $rc"
  fi
  if [ "$findings" != 0 ]; then
    status=1
    echo "   found something: see $dir/log.txt and $dir/findings/"
  fi
  rows+=("$(printf '%-22s %12s %8s %8s %10s' "$t" "${execs:-?}" "${speed:-?}" "$corpus" "$findings")")
done

echo
printf '%-22s %12s %8s %8s %10s\n' target executions exec/s corpus findings
for r in "${rows[@]}"; do
  echo "$r"
done
exit $status
