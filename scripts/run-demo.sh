#!/usr/bin/env bash
# Installs the packages, builds, prepares a demo working directory from samples/ and starts the
# monitor in it (under Xvfb when there is no display).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
bash scripts/install-deps.sh
bash scripts/build.sh
demo=${MONITOR_DEMO_DIR:-$root/demo}
bash scripts/prepare-demo.sh "$demo"
cd "$demo"
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1920x1080x24" "$root/build/mould-monitor"
fi
exec "$root/build/mould-monitor"
