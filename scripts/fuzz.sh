#!/usr/bin/env bash
# Builds the fuzz targets of fuzz/ with clang (libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer, our libraries instrumented too) in build-fuzz/
# (KVT_FUZZ_BUILD_DIR to change it) and runs each on its seed corpus for KVT_FUZZ_SECONDS
# (default 30) through ctest -L fuzz. The exit status is ctest's; CI calls this.
# Longer runs by hand, one target at a time, new inputs kept in a folder of your own:
#   build-fuzz/fuzz/fuzz_engine -max_total_time=600 /tmp/found fuzz/corpus/fuzz_engine
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup_common.sh"

KVT_DEBIAN_PACKAGES+=(clang libclang-rt-14-dev)  # clang and its libFuzzer and sanitizer runtimes
KVT_BUILD_DIR="${KVT_FUZZ_BUILD_DIR:-$KVT_ROOT/build-fuzz}"

kvt_install_packages
kvt_configure -DCMAKE_CXX_COMPILER=clang++ -DKVT_FUZZ=ON -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-g -O1" \
  "-DKVT_FUZZ_SECONDS=${KVT_FUZZ_SECONDS:-30}"
kvt_build fuzz_all
exec ctest --test-dir "$KVT_BUILD_DIR" -L fuzz --output-on-failure "$@"
