#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Peak resident memory of "kvt730ctl --simulate script" as runs grow longer. Run by hand:
#
#   bench/script_memory.sh [KVT730CTL [REPEATS...]]
#     (default build-release/src/cli/kvt730ctl, repeats 1000 and 50000)
#
# A 10-line script (card status, sensor status, firmware version, serial number,
# configuration, counter, status again) runs REPEATS times with each set of output options:
# none, --report, --json, --json --report, --log. Its output goes to /dev/null, the report
# to a temporary folder. Each run's peak resident size comes from GNU time (%M) when
# /usr/bin/time is there, else from VmHWM in /proc, read every 0.1 s until the program ends.
# The last table gives, per set of options, the growth from the first REPEATS to the last;
# a line over 10 MB is marked.
set -euo pipefail

ctl=${1:-build-release/src/cli/kvt730ctl}
shift || true
repeats=("$@")
[ ${#repeats[@]} -gt 0 ] || repeats=(1000 50000)
[ -x "$ctl" ] || { echo "no program $ctl (build it first)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
script="$work/ten.txt"
# shellcheck disable=SC2016  # the dollars are the script's hex markers
printf '%s\r\n' 'C10' 'C11' 'C$DC1' 'C$A20$12' 'C$A30' 'C$A50' 'C10' 'C11' 'C$A30' 'C$A50' >"$script"

# Runs kvt730ctl with the arguments; prints "PEAK_KIB SECONDS EXIT".
measure() {
  local start end rc=0 peak=0
  start=$(date +%s.%N)
  if [ -x /usr/bin/time ]; then
    /usr/bin/time -f '%M' -o "$work/time.txt" "$ctl" "$@" >/dev/null 2>"$work/err.txt" || rc=$?
    peak=$(tail -n 1 "$work/time.txt")
  else
    "$ctl" "$@" >/dev/null 2>"$work/err.txt" &
    local pid=$! hwm
    while kill -0 "$pid" 2>/dev/null; do
      hwm=$(awk '/^VmHWM:/ { print $2 }' "/proc/$pid/status" 2>/dev/null || true)
      [ -n "$hwm" ] && peak=$hwm
      sleep 0.1
    done
    wait "$pid" || rc=$?
  fi
  end=$(date +%s.%N)
  echo "$peak $(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.1f", b - a }') $rc"
}

options=("" "--report" "--json" "--json --report" "--log")
declare -A peaks
printf 'kvt730ctl %s, a %d-line script\n' "$ctl" 10
printf '%-16s %9s %10s %11s %9s %6s\n' options repeats lines "peak MiB" seconds exit
for opts in "${options[@]}"; do
  for n in "${repeats[@]}"; do
    args=(--simulate)
    for o in $opts; do
      args+=("$o")
      [ "$o" = --report ] && args+=("$work/report.xml")
    done
    read -r peak secs rc < <(measure "${args[@]}" script "$script" --repeat "$n")
    peaks["$opts/$n"]=$peak
    printf '%-16s %9d %10d %11.1f %9s %6s\n' "${opts:-(none)}" "$n" $((n * 10)) \
      "$(awk -v k="$peak" 'BEGIN { print k / 1024 }')" "$secs" "$rc"
  done
done

first=${repeats[0]} last=${repeats[${#repeats[@]} - 1]}
printf '\ngrowth of the peak from %d to %d repeats:\n' "$first" "$last"
for opts in "${options[@]}"; do
  growth=$(awk -v a="${peaks["$opts/$first"]}" -v b="${peaks["$opts/$last"]}" 'BEGIN { printf "%.1f", (b - a) / 1024 }')
  mark=$(awk -v g="$growth" 'BEGIN { print (g >= 10 ? "  <- 10 MB or more" : "") }')
  printf '  %-16s %7s MiB%s\n' "${opts:-(none)}" "$growth" "$mark"
done
