#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is missing, builds everything and runs every test.
# The exit status is ctest's. Extra arguments go to ctest (e.g. -L cli).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup_common.sh"

# KVT_SANITIZE=1: a second build in build-asan/ (KVT_ASAN_BUILD_DIR to change it) with
# AddressSanitizer and UndefinedBehaviorSanitizer on our code, lightly optimised (-O1) to
# keep the build and the run quick; the first error, a leak included, stops the test that hit
# it. Qt itself is not instrumented; the one leak it hands LeakSanitizer (libdbus's connection,
# opened by the X11 platform plug-in under Xvfb) is suppressed in tests/lsan.supp.
configure_args=()
if [ "${KVT_SANITIZE:-0}" = 1 ]; then
  KVT_BUILD_DIR="${KVT_ASAN_BUILD_DIR:-$KVT_ROOT/build-asan}"
  configure_args=(-DKVT_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-g -O1")
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
  export LSAN_OPTIONS="suppressions=$KVT_ROOT/tests/lsan.supp:print_suppressions=0"
  export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
fi

kvt_install_packages
kvt_configure "${configure_args[@]}"
kvt_build
# Window tests draw offscreen; no display is needed.
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
exec ctest --test-dir "$KVT_BUILD_DIR" --output-on-failure "$@"
