#!/usr/bin/env bash
# Sets up, builds and runs the benchmarks, and prints each measurement with
# its target and a PASS or MISS verdict:
#   1. command cost: pcfg -c "<one command>" against the start of a minimal
#      C++ program (wall time, the two started alternately in one run);
#   2. library instructions per printed line against the printf calls that
#      print the same text (callgrind), and the JSON of the same answers
#      against their text;
#   3. event-log decoding throughput (Google Benchmark);
#   4. heap allocations and peak stack use per command, size of the stripped
#      PowerPC library;
#   5. the card as a process of its own: one exchange's round trip against a
#      bare SOCK_SEQPACKET round trip, commands per second with 1, 4 and 16
#      shells, and pcfg -c against a running card against the bare start.
# Measurements 1 to 4 use the card inside the shell (pcfg --embedded).
# The exit status is 0 when every target is met. Work files stay in
# build/bench/results.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh bench

echo "== building (preset bench, and the PowerPC library)"
cmake --preset bench >/dev/null
cmake --build --preset bench -j 2 >/dev/null
cmake --preset ppc >/dev/null
cmake --build --preset ppc -j 2 --target port_cfg_cli >/dev/null

bin=build/bench/bench
out=build/bench/results
mkdir -p "$out"
# A shared-memory event log of the benchmark's own, removed at the end.
export PCFG_SIM_EVENTLOG="/pcfg_bench_$$"
trap 'rm -f "/dev/shm${PCFG_SIM_EVENTLOG}"' EXIT
export TZ=UTC0 LC_ALL=C

verdicts=()
verdict() {  # name, measured, target, PASS|MISS
    verdicts+=("$(printf '%-40s %-34s %-22s %s' "$1" "$2" "$3" "$4")")
}
ok=1

# ------------------------------------------------------------------ 1
command="show port-config counters port 5"
echo
echo "== 1. command cost: pcfg --embedded -c \"$command\" against a minimal C++ program"
# The card has been in service: its event log of manager messages is full.
for i in $(seq 700); do echo "show port-config counters port $((i % 48 + 1))"; done |
    build/bench/programs/pcfg --embedded >/dev/null
"$bin/start_cost" 300 "$bin/hello_line" -- build/bench/programs/pcfg --embedded -c "$command" |
    tee "$out/start_cost.txt"
ratio=$(awk '/^ratio/ {print $2}' "$out/start_cost.txt")
for prog in hello_line pcfg; do
    if [[ $prog == pcfg ]]; then cmd=(build/bench/programs/pcfg --embedded -c "$command"); else cmd=("$bin/hello_line"); fi
    valgrind --tool=callgrind --callgrind-out-file="$out/start_$prog.cg" "${cmd[@]}" >/dev/null 2>"$out/start_$prog.err"
    printf 'instructions, %-10s %s\n' "$prog:" "$(awk '/Collected/ {print $4}' "$out/start_$prog.err")"
done
echo "where pcfg's instructions go (callgrind, inclusive):"
callgrind_annotate --inclusive=yes "$out/start_pcfg.cg" 2>/dev/null |
    grep -E ':(_dl_start|pcfg_shell::Shell::Shell\(.*\)|pcfg_sim::reset\(.*\)|port_cfg_cli_main|exit) \[' |
    sed -E 's/ \[.*//; s/^/  /'
if awk -v r="$ratio" 'BEGIN {exit !(r <= 3)}'; then v=PASS; else v=MISS; ok=0; fi
verdict "1. command cost (wall time)" "$ratio x the bare start" "<= 3 x" "$v"

# ------------------------------------------------------------------ 2
echo
echo "== 2. library instructions per printed line against its printf floor (callgrind)"
"$bin/line_record" "$out/line_calls.bin"
rm -f "$out"/line_cost.cg*
valgrind --tool=callgrind --callgrind-out-file="$out/line_cost.cg" \
    --zero-before=pcfg_bench_zero --dump-after=pcfg_bench_library_side \
    --dump-after=pcfg_bench_floor_side --dump-after=pcfg_bench_json_side \
    "$bin/line_cost" "$out/line_calls.bin" \
    >/dev/null 2>"$out/line_cost.err" || { grep -v '^==' "$out/line_cost.err"; exit 1; }
python3 bench/line_cost_report.py "$out/line_cost.err" "$out/line_cost.cg" 1.3 1.3 |
    tee "$out/line_cost.txt" || true
worst=$(awk '/^worst/ {print $2}' "$out/line_cost.txt")
if awk -v r="$worst" 'BEGIN {exit !(r <= 1.3)}'; then v=PASS; else v=MISS; ok=0; fi
verdict "2. library cost per printed line" "worst case $worst x the floor" "<= 1.3 x" "$v"
json_worst=$(awk '/^json worst/ {print $3}' "$out/line_cost.txt")
if awk -v r="$json_worst" 'BEGIN {exit !(r <= 1.3)}'; then v=PASS; else v=MISS; ok=0; fi
verdict "2b. JSON cost per field against text" "worst case $json_worst x the text" "<= 1.3 x" "$v"

# ------------------------------------------------------------------ 3
echo
echo "== 3. event-log decoding throughput: 1 million logged messages, output to /dev/null"
"$bin/eventlog_throughput" --benchmark_out="$out/throughput.json" --benchmark_out_format=json
rate=$(python3 -c '
import json, sys
b = json.load(open(sys.argv[1]))["benchmarks"][0]
print("%.0f %.0f" % (b["items_per_second"], b["records"] / (b["real_time"] / 1000.0)))
' "$out/throughput.json")
cpu_rate=${rate% *}
wall_rate=${rate#* }
echo "records per second: $cpu_rate on the process's CPU time, $wall_rate on wall time"
if ((cpu_rate >= 1000000)); then v=PASS; else v=MISS; ok=0; fi
verdict "3. event-log decoding throughput" "$(awk -v r="$cpu_rate" 'BEGIN {printf "%.2f M records/s", r / 1e6}')" ">= 1 M records/s" "$v"

# ------------------------------------------------------------------ 4
echo
echo "== 4. memory"
echo "heap allocations of the library per command (allocations, bytes, still held):"
"$bin/cmd_memory" | tee "$out/heap.txt" | awk -F'|' '{printf "  %s:%s/%s/%s", $2, $3, $4, $5} NR % 8 == 0 {print ""} END {print ""}'
# Each command may take the allocations cmd_memory allows it (column 6),
# every one freed again.
heap_bad=$(awk -F'|' '$3 > $6 || $5 != 0' "$out/heap.txt" | wc -l)
allowed=$(awk -F'|' '$6 > 0 {printf "%scommand %s: %s", sep, $2, $3; sep = ", "}' "$out/heap.txt")
allowed_target=$(awk -F'|' '$6 > 0 {printf "%scommand %s: %s", sep, $2, $6; sep = ", "}' "$out/heap.txt")
if ((heap_bad == 0)); then v=PASS; else v=MISS; ok=0; fi
verdict "4a. heap allocations per command" "0; $allowed (freed)" "0; $allowed_target" "$v"

echo "peak stack use of the library per command (frames from -fstack-usage):"
if python3 bench/stack_depth.py build/bench/CMakeFiles/port_cfg_cli_objs.dir 16384 |
    tee "$out/stack.txt"; then v=PASS; else v=MISS; ok=0; fi
deepest=$(awk '/^worst/ {print $2}' "$out/stack.txt")
verdict "4b. peak library stack per command" "$deepest bytes" "<= 16384 bytes" "$v"

# The PowerPC tools of the build's own toolchain (PCFG_PPC_PREFIX).
# shellcheck source=scripts/lib/build-target.sh
source scripts/lib/build-target.sh
ppc_prefix=$(cache_value build/ppc PCFG_PPC_PREFIX)
"${ppc_prefix}strip" -o "$out/libport_cfg_cli.ppc.so" build/ppc/libport_cfg_cli.so
size=$(stat -c %s "$out/libport_cfg_cli.ppc.so")
echo "stripped PowerPC libport_cfg_cli.so: $size bytes"
"${ppc_prefix}size" -A "$out/libport_cfg_cli.ppc.so" |
    awk '$1 ~ /^\./ && $2 > 4096 {printf "  %-12s %7d bytes\n", $1, $2}'
if ((size <= 256 * 1024)); then v=PASS; else v=MISS; ok=0; fi
verdict "4c. stripped PowerPC library" "$(awk -v s="$size" 'BEGIN {printf "%.1f KiB", s / 1024}')" "<= 256 KiB" "$v"

# ------------------------------------------------------------------ 5
echo
echo "== 5. the card as its own process (pcfg-card on a socket of the benchmark's own)"
card_dir=$(mktemp -d)
export PCFG_CARD="$card_dir/card"
card=build/bench/programs/pcfg-card
"$card" --daemon >/dev/null
trap '"$card" stop >/dev/null 2>&1; rm -rf "$card_dir"; rm -f "/dev/shm${PCFG_SIM_EVENTLOG}"' EXIT

"$bin/card_roundtrip" 20000 "$PCFG_CARD" | tee "$out/card_roundtrip.txt"
rt=$(awk '/^ratio/ {print $2}' "$out/card_roundtrip.txt")
if awk -v r="$rt" 'BEGIN {exit !(r <= 3)}'; then v=PASS; else v=MISS; ok=0; fi
verdict "5a. exchange round trip" "$rt x a bare SEQPACKET trip" "<= 3 x" "$v"

echo "commands per second the card serves (8,000 commands shared out, each shell reading its own):"
rates=()
for shells in 1 4 16; do
    per=$((8000 / shells))
    for i in $(seq "$per"); do echo "show port-config counters port $((i % 48 + 1))"; done >"$out/card_commands.txt"
    start=$(date +%s%N)
    for _ in $(seq "$shells"); do build/bench/programs/pcfg <"$out/card_commands.txt" >/dev/null & done
    wait
    end=$(date +%s%N)
    rate=$((per * shells * 1000000000 / (end - start)))
    printf '  %2d shells: %6d commands per second\n' "$shells" "$rate"
    rates+=("$shells: $rate")
done
verdict "5b. commands per second (shells: rate)" "$(IFS=,; echo "${rates[*]}")" "(measured)" "-"

"$bin/start_cost" 300 "$bin/hello_line" -- build/bench/programs/pcfg -c "$command" |
    tee "$out/card_start_cost.txt"
ratio=$(awk '/^ratio/ {print $2}' "$out/card_start_cost.txt")
if awk -v r="$ratio" 'BEGIN {exit !(r <= 1.5)}'; then v=PASS; else v=MISS; ok=0; fi
verdict "5c. command cost on a running card" "$ratio x the bare start" "<= 1.5 x" "$v"

echo
echo "== summary"
printf '%-40s %-34s %-22s %s\n' "measurement" "measured" "target" "verdict"
printf '%s\n' "${verdicts[@]}"
((ok)) && echo "== all targets met" || echo "== some targets missed"
((ok))
