#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the fuzz targets of fuzz/ with clang (libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer, our libraries instrumented too) in build-fuzz/
# (KVT_FUZZ_BUILD_DIR to change it), then runs them in one of two modes.
#
# Short mode (no --long; what CI calls):
#   scripts/fuzz.sh [CTEST ARGS...]
#   runs each target on its seed corpus for KVT_FUZZ_SECONDS (default 30) through
#   ctest -L fuzz; new inputs go to a scratch folder in the build tree. The exit status is
#   ctest's.
#
# Long mode:
#   scripts/fuzz.sh --long [--runs N | --seconds S] [TARGET...]
#   runs the named targets (all by default) one after the other, under nice, to N
#   executions each (default 10,000,000) or for S seconds each. Each target starts from its
#   seed corpus fuzz/corpus/<target>/ (left as it is) and from what earlier long runs grew in
#   fuzz/grown/<target>/, and adds what it finds there. A crash, leak, timeout or
#   out-of-memory stops that target: libFuzzer's input is kept in fuzz/crashes/<target>/
#   with a report beside it (<input>.txt, the input run again with full allocation
#   stacks), and the next target runs. A table at the end gives per target: executions,
#   executions a second, coverage (cov: edges, ft: features, from the final status line),
#   the grown corpus size and the crash, if any. The full libFuzzer output of each run is
#   in fuzz/grown/<target>.log. The exit status is 1 when any target crashed.
#   fuzz/grown/ and fuzz/crashes/ are not tracked by git; a crash worth keeping becomes a
#   seed file in fuzz/corpus/<target>/ and a test beside the code it hit.
#
# Both modes give each target the flags in fuzz/<target>.options (libFuzzer's -max_len
# where longer inputs only cost time).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup_common.sh"

KVT_DEBIAN_PACKAGES+=(clang libclang-rt-14-dev)  # clang and its libFuzzer and sanitizer runtimes
KVT_BUILD_DIR="${KVT_FUZZ_BUILD_DIR:-$KVT_ROOT/build-fuzz}"

long=0
runs=10000000
seconds=
targets=()
if [ "${1:-}" = "--long" ]; then
  long=1
  shift
  while [ "$#" -gt 0 ]; do
    case "$1" in
      --runs) runs="${2:?--runs needs a number}"; seconds=; shift 2 ;;
      --seconds) seconds="${2:?--seconds needs a number}"; shift 2 ;;
      -h|--help) sed -n '2,/^set -euo/p' "$0" | sed '$d' | sed 's/^# \{0,1\}//'; exit 0 ;;
      -*) echo "fuzz.sh: unknown option $1" >&2; exit 2 ;;
      *) targets+=("$1"); shift ;;
    esac
  done
  case "$runs$seconds" in
    *[!0-9]*) echo "fuzz.sh: --runs and --seconds take a whole number" >&2; exit 2 ;;
  esac
  if [ "$runs" -eq 0 ] || [ "${seconds:-1}" -eq 0 ]; then
    echo "fuzz.sh: --runs and --seconds take a number above 0" >&2
    exit 2
  fi
  if [ "${#targets[@]}" -eq 0 ]; then
    for f in "$KVT_ROOT"/fuzz/fuzz_*.cpp; do targets+=("$(basename "$f" .cpp)"); done
  fi
  for t in "${targets[@]}"; do
    if [ ! -f "$KVT_ROOT/fuzz/$t.cpp" ]; then
      echo "fuzz.sh: no fuzz target $t (fuzz/$t.cpp)" >&2
      exit 2
    fi
  done
fi

kvt_install_packages
kvt_configure -DCMAKE_CXX_COMPILER=clang++ -DKVT_FUZZ=ON -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-g -O1" \
  "-DKVT_FUZZ_SECONDS=${KVT_FUZZ_SECONDS:-30}"
if [ "$long" -eq 0 ]; then
  kvt_build fuzz_all
  exec ctest --test-dir "$KVT_BUILD_DIR" -L fuzz --output-on-failure "$@"
fi
kvt_build "${targets[@]}"

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}"

# The "key = value" lines of fuzz/<target>.options as libFuzzer flags.
target_flags() {
  local file="$KVT_ROOT/fuzz/$1.options"
  [ -f "$file" ] && sed -n 's/^\([a-z_]*\) *= *\([^ ]*\)$/-\1=\2/p' "$file"
  return 0
}

# A field of the last status line ("#RUNS  DONE  cov: 460 ft: 969 corp: 137/13007b ...").
status_field() { grep -E '^#[0-9]+' "$2" | tail -n 1 | sed -n "s|.* $1: \([^ ]*\).*|\1|p"; }
# A "stat::NAME:" line of the final statistics, or what the last status line says instead
# (a run that crashed prints no final statistics).
final_stat() {
  local v
  v=$(sed -n "s/^stat::$1: *//p" "$2" | tail -n 1)
  if [ -z "$v" ] && [ "$1" = number_of_executed_units ]; then
    v=$(grep -E '^#[0-9]+' "$2" | tail -n 1 | sed 's/^#\([0-9]*\).*/\1/')
  elif [ -z "$v" ]; then
    v=$(status_field exec/s "$2")
  fi
  echo "${v:--}"
}

interrupted=0
trap 'interrupted=1' INT
failed=0
summary=()
for t in "${targets[@]}"; do
  program="$KVT_BUILD_DIR/fuzz/$t"
  grown="$KVT_ROOT/fuzz/grown/$t"
  crashes="$KVT_ROOT/fuzz/crashes/$t"
  log="$KVT_ROOT/fuzz/grown/$t.log"
  mkdir -p "$grown" "$crashes"
  if [ -n "$seconds" ]; then limit=(-max_total_time="$seconds"); else limit=(-runs="$runs"); fi
  mapfile -t flags < <(target_flags "$t")
  before=$(find "$crashes" -maxdepth 1 -type f ! -name '*.txt' | wc -l)
  echo "== $t: ${limit[0]#-}, log in ${log#"$KVT_ROOT"/}"
  status=0
  nice -n "${KVT_FUZZ_NICE:-10}" "$program" "${limit[@]}" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    "${flags[@]}" -artifact_prefix="$crashes/" "$grown" "$KVT_ROOT/fuzz/corpus/$t" > "$log" 2>&1 || status=$?

  crash="-"
  if [ "$(find "$crashes" -maxdepth 1 -type f ! -name '*.txt' | wc -l)" -gt "$before" ]; then
    artifact=$(ls -t "$crashes" | grep -v '\.txt$' | head -n 1)
    crash="fuzz/crashes/$t/$artifact"
    failed=1
    # The same input again, with whole allocation stacks in the report.
    ASAN_OPTIONS="$ASAN_OPTIONS:malloc_context_size=30:fast_unwind_on_malloc=0" \
      "$program" -timeout=10 -rss_limit_mb=2048 "${flags[@]}" "$crashes/$artifact" > "$crashes/$artifact.txt" 2>&1 || true
  elif [ "$status" -ne 0 ] && [ "$interrupted" -eq 0 ]; then
    crash="exit status $status, see the log"
    failed=1
  fi
  files=$(find "$grown" -type f | wc -l)
  size=$(du -sk "$grown" | cut -f1)
  summary+=("$(printf '%-22s %12s %8s %7s %8s %6s files %6s KiB  %s' "$t" \
    "$(final_stat number_of_executed_units "$log")" "$(final_stat average_exec_per_sec "$log")" \
    "$(status_field cov "$log")" "$(status_field ft "$log")" "$files" "$size" "$crash")")
  echo "${summary[-1]}"
  [ "$interrupted" -eq 0 ] || break
done

echo
printf '%-22s %12s %8s %7s %8s %-24s %s\n' target executions exec/s cov ft "grown corpus" crash
printf '%s\n' "${summary[@]}"
exit "$failed"
