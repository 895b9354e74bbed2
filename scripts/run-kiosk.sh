#!/usr/bin/env bash
# Installs what is missing, builds, and starts the kiosk on a fresh copy of the demo kiosk.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
demo=$(mktemp -d "${TMPDIR:-/tmp}/orbeta-demo-XXXXXX")
cp -r data/demo/. "$demo/"
export WINDIR="$demo" ORBETA_REGISTRY="$demo/registry"
echo "Demo configuration: $demo"
exec build/bin/orbeta "$@"
