#!/usr/bin/env bash
# Installs what is missing, builds, and runs every benchmark; each prints ratios against a
# baseline measured in the same run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
for bench in build/bin/orbeta-bench-*; do
  echo "== ${bench##*/}"
  "$bench" "$@"
done
