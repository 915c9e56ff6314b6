#!/usr/bin/env bash
# Installs the Debian packages that the monitor, its tests and its tools need. Idempotent.
set -euo pipefail
packages=(
  cmake g++ make ccache pkg-config
  qtbase5-dev libqt5sql5-sqlite libqt5charts5-dev libqt5serialport5-dev qttools5-dev-tools
  libqcustomplot-dev libopencv-dev libgoogle-glog-dev libjsoncpp-dev libarchive-dev zlib1g-dev
  fonts-wqy-microhei qttranslations5-l10n
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xdotool socat libmodbus-dev mbpoll sqlite3 iproute2
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
# Nothing missing: no need to refresh the package lists.
if [ ${#missing[@]} -gt 0 ]; then
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
