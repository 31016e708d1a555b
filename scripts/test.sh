#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
# The exit status is ctest's. Extra arguments go to ctest (e.g. -L cli).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup_common.sh"

kvt_install_packages
kvt_configure
kvt_build
# Window tests draw offscreen; no display is needed.
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
exec ctest --test-dir "$KVT_BUILD_DIR" --output-on-failure "$@"
