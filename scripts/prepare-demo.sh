#!/usr/bin/env bash
# Makes a demo working directory from samples/ and the built stand-ins. A directory that already
# holds a demo (its PARAM.db is there) is kept as it is, as the panel PC keeps its install folder
# over a restart: parameters, regions, templates, records and pictures stay; only the built
# stand-ins are copied again. Delete the directory to start afresh from samples/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
demo=${1:?usage: prepare-demo.sh DIR}
mkdir -p "$demo"
if [ ! -f "$demo/PARAM.db" ]; then
  for entry in "$root/samples/"* "$root/samples/".[!.]*; do
    [ -e "$entry" ] || continue
    [ "$(basename "$entry")" = PARAM.db ] || cp -r "$entry" "$demo/"
  done
  # The installed databases: copies of the default parameter group (without them the monitor
  # restores them itself and restarts the machine). PARAM.db comes last: it marks a made demo.
  [ -f "$demo/SN.db" ] || cp "$root/samples/paraGroup/default/SN.db" "$demo/SN.db"
  cp "$root/samples/PARAM.db" "$demo/PARAM.db"
fi
# Our stand-in of the front-panel LED library, loaded from the working directory by path.
# Without it the monitor runs with the LEDs unavailable and logs why.
if [ -f "$root/build/LDIO_DLL.dll" ]; then
  cp "$root/build/LDIO_DLL.dll" "$demo/LDIO_DLL.dll"
fi
# The English translation, installed by the monitor only when the language is English.
if [ -f "$root/build/Translator/tr_en.qm" ]; then
  mkdir -p "$demo/Translator"
  cp "$root/build/Translator/tr_en.qm" "$demo/Translator/tr_en.qm"
fi
# Our stand-in of the external export program, started by the result export.
if [ -f "$root/build/relaydir/export_temperature/temperature_export.exe" ]; then
  mkdir -p "$demo/relaydir/export_temperature"
  cp "$root/build/relaydir/export_temperature/temperature_export.exe" "$demo/relaydir/export_temperature/"
fi
