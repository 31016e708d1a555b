#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Many readers at once against one alone. Run by hand:
#
#   bench/many_ports.sh [KVT730CTL [KVT730-SIM [LINES [READERS [ROUNDS]]]]]
#     (default build-release/src/cli/kvt730ctl, build-release/sim/kvt730-sim, 200 lines,
#      16 readers, 3 rounds)
#
# Starts READERS kvt730-sim processes, each on a pseudo-terminal of its own, and writes a
# script of LINES lines (card status, sensor status, firmware version, serial number,
# configuration, counter, in turn). Each round runs the script once on the first reader
# alone and once with --ports on all of them together, and takes the wall-clock time of
# each and the CPU time (user + system) of kvt730ctl and of the simulators meanwhile.
# Prints the figures of every round and the ratio wall(all) / wall(one). Options for
# kvt730ctl (e.g. --json) may follow in KVT_BENCH_ARGS.
set -euo pipefail

ctl=${1:-build-release/src/cli/kvt730ctl}
sim=${2:-build-release/sim/kvt730-sim}
lines=${3:-200}
readers=${4:-16}
rounds=${5:-3}
for p in "$ctl" "$sim"; do
  [ -x "$p" ] || { echo "no program $p (build it first)" >&2; exit 1; }
done

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

devices=()
for ((i = 0; i < readers; i++)); do
  "$sim" >"$work/sim$i.out" &
  pids+=($!)
done
for ((i = 0; i < readers; i++)); do
  for _ in $(seq 50); do
    grep -q '^DEVICE ' "$work/sim$i.out" 2>/dev/null && break
    sleep 0.1
  done
  devices+=("$(sed -n 's/^DEVICE //p' "$work/sim$i.out")")
  [ -n "${devices[i]}" ] || { echo "simulator $i printed no device" >&2; exit 1; }
done

commands=('C10' 'C11' 'C$DC1' 'C$A20$12' 'C$A30' 'C$A50')
script="$work/bench.txt"
for ((i = 0; i < lines; i++)); do printf '%s\r\n' "${commands[i % ${#commands[@]}]}"; done >"$script"

# CPU seconds (user + system) the simulators have used so far.
sim_cpu() {
  local ticks=0 pid fields
  for pid in "${pids[@]}"; do
    read -ra fields <"/proc/$pid/stat"
    ticks=$((ticks + fields[13] + fields[14]))
  done
  awk -v t="$ticks" -v hz="$(getconf CLK_TCK)" 'BEGIN { printf "%.3f", t / hz }'
}

TIMEFORMAT='%R %U %S'
ports=$(IFS=,; echo "${devices[*]}")
printf 'script: %d lines; readers: %d; kvt730ctl %s\n' "$lines" "$readers" "$ctl"
printf '%-6s %-9s %9s %12s %12s %8s\n' round run "wall s" "ctl CPU s" "sim CPU s" replies
ratios=()
for ((r = 1; r <= rounds; r++)); do
  for mode in one all; do
    if [ "$mode" = one ]; then args=(--port "${devices[0]}"); else args=(--ports "$ports"); fi
    s0=$(sim_cpu)
    # shellcheck disable=SC2086
    { time "$ctl" "${args[@]}" ${KVT_BENCH_ARGS:-} script "$script" >"$work/out.txt" 2>"$work/err.txt"; } 2>"$work/time.txt"
    s1=$(sim_cpu)
    read -r wall user sys <"$work/time.txt"
    replies=$(grep -o 'Reply type=<Positive reply>\|"status":"positive"' "$work/out.txt" | wc -l)
    cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.3f", u + s }')
    simcpu=$(awk -v a="$s0" -v b="$s1" 'BEGIN { printf "%.3f", b - a }')
    printf '%-6s %-9s %9s %12s %12s %8s\n' "$r" "$mode" "$wall" "$cpu" "$simcpu" "$replies"
    if [ "$mode" = one ]; then one=$wall; else ratios+=("$(awk -v a="$wall" -v b="$one" 'BEGIN { printf "%.2f", a / b }')"); fi
  done
done
printf 'wall(%d readers) / wall(1 reader), per round: %s\n' "$readers" "${ratios[*]}"
