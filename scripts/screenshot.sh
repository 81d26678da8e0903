#!/usr/bin/env bash
# Makes docs/screenshot.png: the console on a fresh demo installation under a virtual X server, with
# live trace from the demo's tools and a few framework-style lines. Needs xvfb, x11-apps (xwd) and
# imagemagick (convert); installs them when missing.
set -euo pipefail
cd "$(dirname "$0")/.."
./setup.sh build >/dev/null
need=()
command -v xwd >/dev/null || need+=(x11-apps)
[ -x /usr/bin/convert ] || need+=(imagemagick)
if [ ${#need[@]} -gt 0 ]; then
  sudo=(); [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${need[@]}" >/dev/null
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ZENQ_ROOT=$work/demo ZENQ_RUNTIME_DIR=$work/runtime ZENQ_SYSTEM_DRIVE=$work/drive XDG_CONFIG_HOME=$work/config
mkdir -p "$ZENQ_SYSTEM_DRIVE"
zenq=$PWD/build/src/app/zenq
"$zenq" demo install "$ZENQ_ROOT" >/dev/null
"$zenq" settings set ZenqConsole_MainForm "0,0,760,420,0"
"$zenq" settings set Panel2 125
xvfb-run -a -s "-screen 0 760x420x24" bash -c '
  "'"$PWD"'/build/src/app/zenq-console" &
  console=$!
  until [ -n "$(ls "$ZENQ_RUNTIME_DIR/windows/TZenqConsole_MainForm" 2>/dev/null)" ]; do sleep 0.1; done
  sleep 0.5
  "$ZENQ_ROOT/Framework/Bin/ZenqMonitor.EXE"
  "'"$zenq"'" trace "xC:MemoryConsumption *Orders(4242)|       4243      1.812     14.336 K   16.384 K     22.528 K     131.072 K  00:03:12"
  "'"$zenq"'" trace "xC:MemoryConsumption *ZenqKernel(4101)|       4102      7.409     51.200 K   57.344 K     61.440 K     262.144 K  01:12:40"
  "'"$zenq"'" trace "#H#Orders service started"
  "'"$zenq"'" trace "Reading configuration Orders.Zenqc"
  "'"$zenq"'" trace "Request 4711 for customer 17: 3 positions"
  "'"$zenq"'" trace "#W#Slow answer from the database: 1.2 s"
  "'"$zenq"'" trace "#E#Customer 99 not found"
  "'"$zenq"'" trace --message "#S#Invoices: batch of 12 invoices sent"
  "'"$zenq"'" trace "hello"
  sleep 1.5
  xwd -root -silent > "'"$work"'/screen.xwd"
  kill $console
  wait $console || true
'
/usr/bin/convert "$work/screen.xwd" -crop 760x420+0+0 docs/screenshot.png
echo "docs/screenshot.png written"
