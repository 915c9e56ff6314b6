#!/usr/bin/env bash
# Installs the packages, builds, prepares a demo working directory from samples/ and starts the
# monitor in it (under Xvfb when there is no display), with the IO board simulator playing the
# moulding machine on a pseudo-terminal pair: the mould opens, the monitor checks the empty
# cavity and permits the clamp, the mould closes, and again. Writing "in 1 on" and the like to
# demo/io-board.ctl drives the board by hand (see the README).
# The demo runs on a workstation, not on the monitor's panel PC: unless the caller sets
# MONITOR_DRY_RUN, the monitor only records its shell commands (reboot, power off, clock, mount)
# in demo/dry-run-commands.log instead of running them on this machine.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
bash scripts/install-deps.sh
# Only what the demo runs; scripts/test.sh builds everything.
bash scripts/build.sh demo
demo=${MONITOR_DEMO_DIR:-$root/demo}
bash scripts/prepare-demo.sh "$demo"
cd "$demo"

pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT
# Links left by an earlier run may point at a terminal that another program holds now.
rm -f "$demo/io-host" "$demo/io-board"
socat pty,raw,echo=0,link="$demo/io-host" pty,raw,echo=0,link="$demo/io-board" &
pids+=($!)
for _ in $(seq 50); do [ -e "$demo/io-board" ] && [ -e "$demo/io-host" ] && break; sleep 0.1; done
"$root/build/tools/ioboard-sim/ioboard-sim" --device "$demo/io-board" --control "$demo/io-board.ctl" \
  --record "$demo/io-frames.log" --machine < /dev/null > "$demo/io-board.out" &
pids+=($!)
export MONITOR_SERIAL_PORT="$demo/io-host"
# The demo folder stands in for the install folder and the backup folder, so a USB update or a
# download writes its package and backup there and never into /root on this machine.
export MONITOR_INSTALL_DIR="$demo"
export MONITOR_BACKUP_DIR="$demo"
export MONITOR_DRY_RUN="${MONITOR_DRY_RUN:-1}"
if [ -z "${DISPLAY:-}" ]; then
  xvfb-run -a -s "-screen 0 1920x1080x24" "$root/build/mould-monitor"
else
  "$root/build/mould-monitor"
fi
