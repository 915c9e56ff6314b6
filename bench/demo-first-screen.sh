#!/usr/bin/env bash
# Times the README's demo command from its start to the monitor's first window on the screen.
# Runs scripts/run-demo.sh on a display of its own (Xvfb, 1920 x 1080) with the demo working
# directory in a scratch folder, waits for the first visible window (the question about the
# missing cameras), prints the seconds and ends the demo.
#
#   bash bench/demo-first-screen.sh            # as a new user would: with the build/ there is
#   rm -rf build && bash bench/demo-first-screen.sh   # from a fresh clone
#
# Whether the compiler cache is warm decides most of the figure: `ccache -s` before and after
# tells. CCACHE_DISABLE=1 measures a build without the cache.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
scratch=$(mktemp -d)
display_file=$scratch/display
Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1920x1080x24 3>"$display_file" 2>/dev/null &
xvfb=$!
demo_pid=
finish() {
  [ -n "$demo_pid" ] && kill -- -"$demo_pid" 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$scratch"
}
trap finish EXIT
for _ in $(seq 100); do [ -s "$display_file" ] && break; sleep 0.1; done
export DISPLAY=:$(cat "$display_file")

start=$(date +%s.%N)
# A process group of its own, so the demo, its simulator and socat end together.
set -m
MONITOR_DEMO_DIR=$scratch/demo bash "$root/scripts/run-demo.sh" >"$scratch/demo.log" 2>&1 &
demo_pid=$!
set +m
while ! xdotool search --onlyvisible --classname '^mould-monitor$' >/dev/null 2>&1; do
  if ! kill -0 "$demo_pid" 2>/dev/null; then
    echo "the demo command ended before a window showed:" >&2
    tail -20 "$scratch/demo.log" >&2
    exit 1
  fi
  sleep 0.1
done
end=$(date +%s.%N)
awk -v s="$start" -v e="$end" 'BEGIN { printf "demo command to the first screen: %.1f s\n", e - s }'
