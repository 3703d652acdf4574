#!/usr/bin/env bash
# Regenerates the seed inputs of tests/fuzz/corpus/ with the project's own encoders
# and writers (build-fuzz/tests/fuzz/make_fuzz_seeds). Regression inputs kept beside
# the seeds (files named regression-*) are left alone.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
make fuzz-build >/dev/null
build-fuzz/tests/fuzz/make_fuzz_seeds tests/fuzz/corpus
find tests/fuzz/corpus -type f | sort | xargs ls -l | awk '{print $5, $9}'
