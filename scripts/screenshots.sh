#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Makes the pictures of the manual again: builds kvt730-screenshots (tools/) and runs it,
# which starts the windows on the built-in simulated reader offscreen and writes each into
# docs/images/ (or the folder given). Run it when a window changes, then look at the pictures
# and commit them.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup_common.sh"

kvt_install_packages
kvt_configure
kvt_build kvt730-screenshots
exec "$(kvt_program kvt730-screenshots)" "${1:-$KVT_ROOT/docs/images}"
