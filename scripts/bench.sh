#!/usr/bin/env bash
# Installs what is missing, builds, and runs every benchmark; each prints ratios against a
# baseline measured in the same run. Arguments go to the orbeta-bench-* programs; the start-up
# benchmark (kiosk against a bare WebKit window) takes STARTUP_RUNS starts of each (default 5).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
for bench in build/bin/orbeta-bench-*; do
  echo "== ${bench##*/}"
  "$bench" "$@"
done
echo "== startup_bench.py"
python3 bench/startup_bench.py --runs "${STARTUP_RUNS:-5}"
