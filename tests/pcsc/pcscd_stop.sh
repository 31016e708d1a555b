#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Fixture clean-up of the PC/SC tests: stops the card, then pcscd, then the holder of
# the machine-wide lock that pcscd_start.sh started, by their process ids. Fails if one
# had ended on its own.
set -u
run=$1
status=0

alive() { [ -d "/proc/$1" ] && ! grep -q '^State:[[:space:]]*Z' "/proc/$1/status" 2>/dev/null; }

stop() {
  local name=$1 file="$run/$1.pid" pid
  [ -f "$file" ] || return 0
  pid=$(cat "$file")
  rm -f "$file"
  if ! alive "$pid"; then
    echo "pcscd_stop: $name (pid $pid) had already ended" >&2
    [ -f "$run/$name.log" ] && tail -n 30 "$run/$name.log" >&2
    status=1
    return 0
  fi
  kill -TERM "$pid"
  for _ in $(seq 1 100); do
    alive "$pid" || return 0
    sleep 0.1
  done
  echo "pcscd_stop: $name (pid $pid) ignored SIGTERM for 10 s; killing it" >&2
  kill -KILL "$pid"
  status=1
}

stop card
stop pcscd
stop lock
exit $status
