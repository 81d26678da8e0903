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
xvfb-run -a -s "-screen 0 760x520x24" bash -c '
  "'"$PWD"'/build/src/app/zenq-console" &
  console=$!
  until [ -n "$(ls "$ZENQ_RUNTIME_DIR/windows/TZenqConsole_MainForm" 2>/dev/null)" ]; do sleep 0.1; done
  sleep 0.5
  "$ZENQ_ROOT/Framework/Bin/ZenqMonitor.EXE"
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
/usr/bin/convert "$work/screen.xwd" -crop 564x282+0+0 docs/screenshot.png
echo "docs/screenshot.png written"
