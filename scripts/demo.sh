#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is missing, builds the tool and starts it on the built-in simulated
# reader. Without a display it runs a short tour of the operations in the terminal.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup_common.sh"

kvt_install_packages
kvt_configure

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  kvt_build kvt730-tool
  exec "$(kvt_program kvt730-tool)" --simulate "$@"
fi

echo "No display here (DISPLAY and WAYLAND_DISPLAY are empty), so the window cannot open."
echo "Instead, a short tour of the reader operations through kvt730ctl."
echo
kvt_build kvt730ctl kvt730-sim
exec "$KVT_ROOT/scripts/tour.sh" "$(kvt_program kvt730ctl)" "$(kvt_program kvt730-sim)"
