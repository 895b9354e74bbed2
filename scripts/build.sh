#!/usr/bin/env bash
# Installs what is missing and builds everything into build/ (programs in build/bin/).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DORBETA_WERROR=ON "$@" >/dev/null
cmake --build build -j"$(nproc)"
