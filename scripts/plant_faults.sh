#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Plants one known fault at a time into a scratch copy of the committed tree, builds it and
# runs every test but the package and soak ones, then says whether the suite caught it.
# It measures the suite, not the tool: run it by hand after changing tests.
#
#   scripts/plant_faults.sh            # every fault below
#   scripts/plant_faults.sh header-6s  # only the named ones
#   KVT_PLANT_FIRST_FAILURE=1 scripts/plant_faults.sh   # stop each run at its first failing test
#
# KVT_PLANT_DIR (default build-plant/) holds the copy and its build; it is reused, so later
# runs only rebuild what a fault touches. Prints one line per fault, "caught" or "MISSED",
# and exits 1 when one was missed.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup_common.sh"

work="${KVT_PLANT_DIR:-$KVT_ROOT/build-plant}"
copy="$work/tree"
# The build sits inside the copy, as build/ does in the work tree: a compiler cache
# (CMAKE_CXX_COMPILER_LAUNCHER=ccache, CCACHE_BASEDIR) then finds what ordinary builds left.
build="$copy/build"

# name | file | perl substitution that plants the fault (must change the file)
faults=(
  "header-6s|src/core/link/timeouts.h|s/int header = 10000;/int header = 6000;/"
  "remainder-without-bcc|src/core/link/engine.cpp|s/len \+ 2/len + 1/g"
  "script-ack-3s|src/core/cmdline/script_transport.h|s/int ack = 500;/int ack = 3000;/"
  "final-ack-not-written|src/core/link/engine.cpp|s/  if \(!port_\.write\(QByteArray\(1, static_cast<char>\(ACK\)\)\)\) return dataFailure\(\);\n//"
  "output-flushed-before-frame|src/core/link/qt_serial_port.cpp|s/while \(::tcdrain\(fd\) != 0 && errno == EINTR\) \{\n    \}/(void)fd;/; s/port_\.clear\(QSerialPort::Input\)/port_.clear(QSerialPort::AllDirections)/"
  "apdu-completed-from-list|src/gui/widgets/key_filters.cpp|s/  combo->setCompleter\(nullptr\);\n//"
  "negative-reply-not-shown|src/core/link/negative_reply.cpp|s/if \(const auto m = NegativeReplyMessage\(e1, e0\)\) notifier\.show\(\*m\);//"
  "short-apdu-sent|src/core/pcsc/pcsc_ops.cpp|s/ \|\| t\.size\(\) \/ 2 < kApduHeaderSize//"
  "sent-line-wraps-at-24|src/core/link/log_format.cpp|s/if \(counter == 25\)/if (counter == 24)/"
  "reply-line-wraps-one-late|src/core/link/log_format.cpp|s/\(i \+ 4\) % 25/(i + 3) % 25/"
  "bcc-skips-stx|src/core/base/conversions.cpp|s/for \(int i = 0; i \+ 1 < frame\.size\(\)/for (int i = 1; i + 1 < frame.size()/"
  "sw-6700-text-changed|src/core/insight/status_words.cpp|s/\{0x6700, \"Wrong length\"\}/{0x6700, \"Wrong length (Lc)\"}/"
  "manufacturer-block-writable|src/core/rf/mifare_ops.cpp|s/  if \(sector == 0 && block == 0\)\n    return Refused\(OpStatus::BadInput, Caution\(QStringLiteral\(\"Write Prohibit In The Block\"\)\)\);\n//"
  "purse-value-big-endian|src/core/rf/mifare_ops.cpp|s/\(v >> \(8 \* i\)\)/(v >> (8 * (3 - i)))/"
  "grid-moves-after-one-digit|src/gui/widgets/hex_grid.cpp|s/if \(quiet_ \|\| text\.size\(\) < 2\) return;/if (quiet_ || text.size() < 1) return;/"
  "hex-filter-takes-g|src/gui/widgets/key_filters.cpp|s/c <= QLatin1Char\('F'\)/c <= QLatin1Char('G')/"
  "purse-on-closed-port|src/core/rf/mifare_ops.cpp|s/(const QString& valueText\) \{\n)  if \(!BeginOperation\(s\)\) return Refused\(OpStatus::PortClosed\);/\$1  BeginOperation(s);/"
  "script-dollar-not-a-marker|src/core/cmdline/script_parse.cpp|s/ \|\| c == QLatin1Char\('\\\$'\)//"
  "pcsc-dump-wraps-at-19|src/core/pcsc/pcsc_ops.cpp|s/i \+= 20\)(.*)bytes\.mid\(i, 20\)/i += 19)\$1bytes.mid(i, 19)/"
  "hex-filter-keeps-lower-case|src/gui/widgets/key_filters.cpp|s/return c\.toUpper\(\);/return c;/"
  "trailer-write-unguarded|src/cli/rf_commands.cpp|s/const TrailerLock lock = o\.force \? TrailerLock::Allow : TrailerLock::Refuse;/const TrailerLock lock = TrailerLock::Allow;/"
)

selected=("$@")
wanted() {
  [ "${#selected[@]}" -eq 0 ] && return 0
  local s
  for s in "${selected[@]}"; do [ "$s" = "$1" ] && return 0; done
  return 1
}

kvt_install_packages
mkdir -p "$copy"
# The committed tree, fresh each run. Unpacked files carry their commit's time, which may be
# older than the objects an earlier run built from other contents: so the tree is unpacked
# beside the copy, and only the files that differ are copied over (with the time of now), and
# the build sees every change.
fresh="$work/fresh"
rm -rf "$fresh"
mkdir -p "$fresh"
git -C "$KVT_ROOT" archive HEAD | tar -x -C "$fresh"
(cd "$fresh" && find . -type f -print0) | while IFS= read -r -d '' f; do
  cmp -s "$fresh/$f" "$copy/$f" || { mkdir -p "$(dirname "$copy/$f")"; cp "$fresh/$f" "$copy/$f"; }
done
(cd "$copy" && find . -path ./build -prune -o -type f -print0) | while IFS= read -r -d '' f; do
  [ -e "$fresh/$f" ] || rm -f "$copy/$f"
done
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR="$KVT_ROOT"
fi
cmake -S "$copy" -B "$build" -G Ninja "${launcher[@]}" >/dev/null
cmake --build "$build" -j2 >/dev/null

missed=0
for entry in "${faults[@]}"; do
  IFS='|' read -r name file change <<<"$entry"
  wanted "$name" || continue
  cp "$copy/$file" "$work/original"
  perl -0pi -e "$change" "$copy/$file"
  if cmp -s "$copy/$file" "$work/original"; then
    echo "$name: the fault did not apply to $file (the code moved?)"
    missed=1
    continue
  fi
  verdict="MISSED"
  if ! cmake --build "$build" -j2 >"$work/$name.build.log" 2>&1; then
    verdict="caught (the build fails)"
  elif ! QT_QPA_PLATFORM=offscreen ctest --test-dir "$build" -j2 -LE "package|soak" --timeout 300 \
         ${KVT_PLANT_FIRST_FAILURE:+--stop-on-failure} >"$work/$name.test.log" 2>&1; then
    verdict="caught: $(grep -c -E '\*\*\*Failed|\(Failed\)|Timeout' "$work/$name.test.log") failing"
  fi
  # A run stopped at its first failure skips the fixtures' clean-up: stop any pcscd and
  # card it left holding the machine-wide lock, or the next run waits on it.
  for run in "$build"/tests/pcsc/run/*/; do
    [ -d "$run" ] && bash "$copy/tests/pcsc/pcscd_stop.sh" "$run" >/dev/null 2>&1 || true
  done
  cp "$work/original" "$copy/$file"
  echo "$name: $verdict"
  [ "$verdict" = "MISSED" ] && missed=1
done
# Back to the tree as committed.
cmake --build "$build" -j2 >/dev/null
exit "$missed"
