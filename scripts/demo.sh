#!/usr/bin/env bash
# The project's demo: what is built so far.
set -euo pipefail
cd "$(dirname "$0")/.."
echo "Built in build/:"
find build -maxdepth 3 -type f \( -name '*.a' -o -name '*.so' -o -perm -u+x \) \
  \( -name 'lib*' -o -name 'tvx*' -o -name 'amhost' -o -name 'test_*' \) | sort
