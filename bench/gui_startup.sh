#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Start-up time of kvt730-tool to the model chooser, under Xvfb. Run by hand:
#
#   bench/gui_startup.sh [PROGRAM [RUNS]]     (default build-release/src/kvt730-tool, 20 runs)
#
# One Xvfb serves every run. Each run starts "kvt730-tool --quit-after-show", which prints
# the wall-clock time at which the chooser has painted for the first time and ends. The
# figures: from the launch to that moment, and from the launch to the program's exit.
# The first run only warms the file cache and is not counted.
set -euo pipefail

if [ "${1:-}" = --inside-display ]; then
  program=$2 runs=$3
  unset QT_QPA_PLATFORM
  if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
    XDG_RUNTIME_DIR=$(mktemp -d)
    export XDG_RUNTIME_DIR
    trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT
  fi
  shown=() total=()
  for ((i = 0; i <= runs; i++)); do
    t0=$(date +%s.%N)
    line=$("$program" --quit-after-show)
    t1=$(date +%s.%N)
    [[ $line == "shown at "* ]] || { echo "unexpected output: $line" >&2; exit 1; }
    [ "$i" -eq 0 ] && continue
    shown+=("$(awk -v a="$t0" -v b="${line#shown at }" 'BEGIN { printf "%.1f", (b - a) * 1000 }')")
    total+=("$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.1f", (b - a) * 1000 }')")
  done
  summary() {  # min, median, max of the arguments
    printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { printf "min %7.1f  median %7.1f  max %7.1f ms\n", v[1], v[int((NR + 1) / 2)], v[NR] }'
  }
  echo "kvt730-tool start-up under Xvfb, $runs runs:"
  echo "  launch to chooser painted:  $(summary "${shown[@]}")"
  echo "  launch to exit:             $(summary "${total[@]}")"
  exit 0
fi

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
program=$(realpath "${1:-$root/build-release/src/kvt730-tool}")
runs=${2:-20}
[ -x "$program" ] || { echo "no program at $program (build kvt730-tool first)" >&2; exit 2; }
exec xvfb-run -a -s "-screen 0 1280x1024x24" "${BASH_SOURCE[0]}" --inside-display "$program" "$runs"
