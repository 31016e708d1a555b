#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A tour of the card machine operations in the terminal: kvt730ctl against a simulated
# reader. Usage: tour.sh KVT730CTL KVT730SIM
set -euo pipefail
CTL="$1"
SIM="$2"

step() {
  echo "\$ kvt730ctl $*"
  local rc=0
  "$CTL" "$@" || rc=$?
  echo "(exit status $rc)"
  echo
}

echo "== One command on the reader built into kvt730ctl (--simulate):"
step --simulate probe

# Each --simulate run starts a fresh reader; for a tour whose card moves from one
# command to the next, the reader runs in a process of its own.
sim_out="$(mktemp)"
"$SIM" >"$sim_out" &
sim_pid=$!
trap 'kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true; rm -f "$sim_out"' EXIT
device=""
for _ in $(seq 100); do
  device="$(awk '/^DEVICE /{print $2}' "$sim_out")"
  [ -n "$device" ] && break
  sleep 0.1
done
if [ -z "$device" ]; then
  echo "kvt730-sim did not start" >&2
  exit 1
fi
echo "== kvt730-sim is a reader on $device; COM3 is mapped to it from here on."
echo
P=(--port "COM3=$device" --port COM3)

step "${P[@]}" card-status
step "${P[@]}" init
step "${P[@]}" move ic
step "${P[@]}" card-status
step "${P[@]}" sensor-status
step "${P[@]}" read-sn
step "${P[@]}" config
step "${P[@]}" counter-init 7
step "${P[@]}" counter-read
step "${P[@]}" move front
step "${P[@]}" card-status
step "${P[@]}" entry forbid
echo "== A raw command the reader does not know: a negative reply, exit status 1."
step "${P[@]}" send 43 7A 30
echo "== The communication log of one exchange (--log):"
step "${P[@]}" --log card-status
echo "== A reader at another address stays silent; the exchange times out (shortened here)."
step "${P[@]}" --address 1 --timeout-scale 20 card-status
echo "Tour done. Start the window with scripts/demo.sh on a machine with a display."
