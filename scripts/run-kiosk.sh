#!/usr/bin/env bash
# Installs what is missing, builds, and starts the kiosk on a fresh copy of the demo kiosk,
# with the demo sites and their validation server (orbeta-demo-server) on loopback ports.
# Arguments go to the kiosk.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
demo=$(mktemp -d "${TMPDIR:-/tmp}/orbeta-demo-XXXXXX")
ports="$demo/demo-server.ports"
log="$demo/demo-server.log"

# The demo server takes free ports and writes the kiosk configuration, its addresses filled
# in, into the fresh folder; the port file appears once it listens.
build/bin/orbeta-demo-server --root data/demo --base-port 0 --port-file "$ports" --config-out "$demo" >"$log" &
server=$!
stop_server() {
  kill "$server" 2>/dev/null || true
  wait "$server" 2>/dev/null || true
}
trap stop_server EXIT

for _ in $(seq 200); do
  [ -s "$ports" ] && break
  if ! kill -0 "$server" 2>/dev/null; then
    echo "run-kiosk: the demo server did not start" >&2
    exit 1
  fi
  sleep 0.05
done
if [ ! -s "$ports" ]; then
  echo "run-kiosk: the demo server wrote no port file" >&2
  exit 1
fi

export WINDIR="$demo" ORBETA_REGISTRY="$demo/registry"
echo "Demo configuration: $demo"
echo "Demo sites (requests logged to $log):"
sed 's/^\(.*\)=\(.*\)$/  \1\thttp:\/\/127.0.0.1:\2\//' "$ports"

status=0
if [ -n "${DISPLAY:-}" ]; then
  build/bin/orbeta "$@" || status=$?
else
  # ---- No display: the kiosk runs on a virtual X server of its own, saves a screenshot of
  # the screen once the home page has loaded, and closes. ----
  shot="$demo/screenshot.png"
  ORBETA_SCREENSHOT="$shot" timeout 180 xvfb-run -a -s "-screen 0 1280x1024x24" build/bin/orbeta "$@" || status=$?
  if [ -s "$shot" ]; then
    echo "Screenshot of the kiosk: $shot"
  else
    echo "run-kiosk: the kiosk saved no screenshot" >&2
    [ "$status" -ne 0 ] || status=1
  fi
  # ---- End of the no-display part. ----
fi
exit "$status"
