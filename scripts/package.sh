#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the Debian package: an optimised build in build-package/ (KVT_PACKAGE_DIR to
# change it), then cpack. Prints the path of the .deb; install it with
#   sudo apt install ./build-package/package/kvt730-tool_<version>_<arch>.deb
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup_common.sh"

KVT_BUILD_DIR="${KVT_PACKAGE_DIR:-$KVT_ROOT/build-package}"
kvt_install_packages
cmake -S "$KVT_ROOT" -B "$KVT_BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release
kvt_build kvt730-tool kvt730ctl kvt730-sim kvt_man_pages
rm -rf "$KVT_BUILD_DIR/package"
cpack -G DEB --config "$KVT_BUILD_DIR/CPackConfig.cmake" -B "$KVT_BUILD_DIR/package" >/dev/null
ls "$KVT_BUILD_DIR"/package/kvt730-tool_*.deb
