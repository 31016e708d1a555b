#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Fixture set-up of the PC/SC tests: starts pcscd in the foreground and a virtual card
# in its virtual reader (vsmartcard vpcd), and waits until kvt730ctl sees the card.
#   pcscd_start.sh RUN_DIR sim  KVT730_SIM KVT730CTL   our T=0 SIM (kvt730-sim --pcsc-card)
#   pcscd_start.sh RUN_DIR vicc -          KVT730CTL   vicc --type iso7816 (T=1 only)
# The process ids go to RUN_DIR/{lock,pcscd,card}.pid for pcscd_stop.sh.
set -u
run=$1 card=$2 sim=$3 ctl=$4

fail() {
  echo "pcscd_start: $*" >&2
  for log in "$run"/*.log; do
    [ -f "$log" ] && { echo "--- $log" >&2; tail -n 30 "$log" >&2; }
  done
  bash "$(dirname "$0")/pcscd_stop.sh" "$run" >/dev/null 2>&1  # whatever was started so far
  exit 1
}

alive() { [ -d "/proc/$1" ] && ! grep -q '^State:[[:space:]]*Z' "/proc/$1/status" 2>/dev/null; }

mkdir -p "$run"
rm -f "$run"/*.pid "$run"/*.log "$run/locked"

# ctest's RESOURCE_LOCK orders the tests of one run only; the tests of another build
# on this machine take this lock too. A sleeping process keeps it until pcscd_stop.sh.
(
  exec 9>/tmp/kvt730-pcscd.lock
  flock -w 150 9 || exit 1
  : >"$run/locked"
  exec sleep 1800
) </dev/null >/dev/null 2>&1 &
echo $! >"$run/lock.pid"
for _ in $(seq 1 1550); do
  [ -f "$run/locked" ] && break
  alive "$(cat "$run/lock.pid")" || fail "another run of the PC/SC tests kept the pcscd lock for 150 s"
  sleep 0.1
done

# One pcscd per machine: these tests start their own and will not borrow another.
if [ -f /run/pcscd/pcscd.pid ]; then
  other=$(cat /run/pcscd/pcscd.pid 2>/dev/null)
  if [ -n "$other" ] && alive "$other"; then
    fail "a pcscd that these tests did not start is running (pid $other); stop it first"
  fi
fi

pcscd=$(command -v pcscd || echo /usr/sbin/pcscd)
[ -x "$pcscd" ] || fail "pcscd is not installed (Debian package pcscd)"
"$pcscd" -f </dev/null >"$run/pcscd.log" 2>&1 &
echo $! >"$run/pcscd.pid"
pcscd_pid=$(cat "$run/pcscd.pid")

for _ in $(seq 1 100); do
  [ -S /run/pcscd/pcscd.comm ] && break
  alive "$pcscd_pid" || fail "pcscd ended at start"
  sleep 0.1
done
[ -S /run/pcscd/pcscd.comm ] || fail "pcscd did not open /run/pcscd/pcscd.comm within 10 s"

case "$card" in
  sim)
    "$sim" --pcsc-card --vpcd-wait 30 </dev/null >"$run/card.log" 2>&1 &
    echo $! >"$run/card.pid"
    ready='SCardConnect Success'
    ;;
  vicc)
    # vicc imports "Crypto"; Debian ships pycryptodome as "Cryptodome".
    mkdir -p "$run/pylib"
    ln -sfn /usr/lib/python3/dist-packages/Cryptodome "$run/pylib/Crypto"
    PYTHONPATH=/usr/lib/python3/site-packages/virtualsmartcard:$run/pylib \
      /usr/bin/python3 /usr/bin/vicc --type iso7816 </dev/null >"$run/card.log" 2>&1 &
    echo $! >"$run/card.pid"
    ready='SCardConnect Error (8010000F)'
    ;;
  *) fail "unknown card $card" ;;
esac
card_pid=$(cat "$run/card.pid")

# The card is in once Connect gets past "no card" (the reader is polled every 0.4 s).
for _ in $(seq 1 60); do
  alive "$card_pid" || fail "the $card card ended at start"
  # Read the whole output: a reader that stops early would cut kvt730ctl off while it
  # still holds the card, and the next exclusive Connect would find it in use.
  out=$(timeout 10 "$ctl" pcsc transmit 00A40000023F00 2>&1)
  if grep -qF "$ready" <<<"$out"; then
    exit 0
  fi
  sleep 0.25
done
fail "the $card card did not show up in the virtual reader within 15 s"
