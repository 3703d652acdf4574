#!/usr/bin/env bash
# Runs every fuzz target of build-fuzz for the given number of seconds each, one after
# another, on its committed corpus (tests/fuzz/corpus/<target>, never written to) plus a
# working corpus in build-fuzz/corpus/<target> that keeps what the runs discover.
# Inputs slower than FUZZ_TIMEOUT seconds (default 1) or heavier than 2 GiB count as
# failures, like crashes, leaks and sanitizer reports. Prints a summary line per target and exits non-zero when any
# target failed. Usage: run-fuzzers.sh [seconds] [target...]
set -uo pipefail

seconds="${1:-60}"
timeout="${FUZZ_TIMEOUT:-1}"
shift || true
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-fuzz"
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for bin in "$build"/tests/fuzz/fuzz_*; do
    [ -x "$bin" ] && targets+=("$(basename "$bin")")
  done
fi
if [ ${#targets[@]} -eq 0 ]; then
  echo "run-fuzzers: no fuzz targets in $build/tests/fuzz (run make fuzz-build)" >&2
  exit 1
fi

mkdir -p "$build/logs" "$build/artifacts"
failed=()
for target in "${targets[@]}"; do
  seeds="$root/tests/fuzz/corpus/$target"
  work="$build/corpus/$target"
  log="$build/logs/$target.log"
  mkdir -p "$work" "$seeds"
  nice -n 10 "$build/tests/fuzz/$target" "$work" "$seeds" \
    -max_total_time="$seconds" -timeout="$timeout" -rss_limit_mb=2048 -malloc_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$build/artifacts/$target-" >"$log" 2>&1
  status=$?
  last="$(grep -E '^#[0-9]+' "$log" | tail -1)"
  runs="$(grep -E 'stat::number_of_executed_units' "$log" | awk '{print $2}')"
  echo "$target: ${seconds}s, ${runs:-?} runs, status $status; ${last:-no progress line}"
  if [ $status -ne 0 ]; then
    failed+=("$target")
    grep -E 'ERROR|SUMMARY|Test unit written|runtime error' "$log" | head -8
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "run-fuzzers: failed: ${failed[*]} (logs in $build/logs, inputs in $build/artifacts)" >&2
  exit 1
fi
