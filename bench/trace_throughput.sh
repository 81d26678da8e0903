#!/usr/bin/env bash
# Trace throughput: 1,000,000 trace lines of about 100 characters through hand-over files, end to end
# through the headless console into its trace file (standard output to /dev/null), against `cat` of the
# same bytes. Prints lines per second and ratios. Usage: bench/trace_throughput.sh [LINES] [WRITERS]
set -euo pipefail
cd "$(dirname "$0")/.."
lines=${1:-1000000}
writers=${2:-4}
./setup.sh build >/dev/null
zenq=$PWD/build/src/app/zenq
console=$PWD/build/src/app/zenq-console

work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
export ZENQ_ROOT=$work/root ZENQ_RUNTIME_DIR=$work/runtime ZENQ_SYSTEM_DRIVE=$work/drive XDG_CONFIG_HOME=$work/config
mkdir -p "$ZENQ_ROOT/Applications/Bin" "$ZENQ_ROOT/Trace/Applications" "$ZENQ_ROOT/Trace/Framework" "$ZENQ_SYSTEM_DRIVE"
# The framework's usual trace settings: date, time, module and process id in every line (UTF-16 hand-over).
cat > "$ZENQ_ROOT/Applications/Bin/ZenqApplications.Zenqc" <<'XML'
<Zenq>
   <TraceSettingsWithDate Value="1"/>
   <TraceSettingsWithTime Value="1"/>
   <TraceSettingsWithModuleName Value="1"/>
   <TraceSettingsWithProcessID Value="1"/>
   <TracingFormat Value="0"/>
</Zenq>
XML
per_writer=$((lines / writers))
lines=$((per_writer * writers))
handover=$("$zenq" paths | sed -n 's/^HANDOVER_0=//p')
tracefile=$("$zenq" paths | sed -n 's/^TRACEFILE_0=//p')

now() { date +%s.%N; }
rate() { python3 -c "print(f'{$1 / ($3 - $2):,.0f}')"; }
ratio() { python3 -c "print(f'{($1) / ($2):.3f}')"; }

write_load() { # all writers at once, each under the trace lock in blocks of 1000 lines
  local pids=()
  for w in $(seq 1 "$writers"); do
    "$zenq" load "$per_writer" --length 50 --batch 1000 --writer "W$w" --location 0 &
    pids+=($!)
  done
  wait "${pids[@]}"
}

echo "== $lines lines from $writers writer processes, about 100 characters each"

# 1. Console alone: the hand-over file is written first, then taken up in one pass.
write_load
cp "$handover" "$work/copy.bin"
bytes=$(stat -c %s "$handover")
t0=$(now)
if [ -x /usr/bin/time ]; then
  /usr/bin/time -f '%M' -o "$work/rss" "$console" --headless --once >/dev/null
else
  "$console" --headless --once >/dev/null
fi
t1=$(now)
t2=$(now); cat "$work/copy.bin" >/dev/null; t3=$(now)
console_rate=$(python3 -c "print($lines / ($t1 - $t0))")
cat_rate=$(python3 -c "print($lines / ($t3 - $t2))")
echo "hand-over file: $((bytes / 1048576)) MiB (UTF-16)"
echo "console --once:   $(rate "$lines" "$t0" "$t1") lines/s"
echo "cat, same bytes:  $(rate "$lines" "$t2" "$t3") lines/s"
echo "ratio console/cat: $(ratio "$console_rate" "$cat_rate")"
[ -f "$work/rss" ] && echo "peak memory of the console: $(( $(cat "$work/rss") / 1024 )) MiB for a $((bytes / 1048576)) MiB batch"

# 2. End to end: writers and a running console at the same time; done when the trace file ends with
# a marker line sent after the last writer.
rm -f "$tracefile"
"$console" --headless >/dev/null 2>"$work/console.err" &
console_pid=$!
while [ -z "$(ls "$ZENQ_RUNTIME_DIR/windows/TZenqConsole_MainForm" 2>/dev/null)" ]; do sleep 0.05; done
t0=$(now)
write_load
"$zenq" trace --location 0 "END-OF-BENCHMARK"
marker=$(printf 'END-OF-BENCHMARK' | iconv -f UTF-8 -t UTF-16LE | od -An -tx1 | tr -d ' \n')
until tail -c 200 "$tracefile" 2>/dev/null | od -An -tx1 | tr -d ' \n' | grep -q "$marker"; do sleep 0.01; done
t1=$(now)
kill -TERM "$console_pid"; wait "$console_pid" || true
end_rate=$(python3 -c "print($lines / ($t1 - $t0))")
echo "end to end (writers and console together): $(rate "$lines" "$t0" "$t1") lines/s"
echo "ratio end-to-end/cat: $(ratio "$end_rate" "$cat_rate")"
echo "target: at least 300,000 lines/s end to end"
