#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# package_dissector_test.sh OUT ROOT: the .deb in OUT puts kvt730.lua in the folder tshark
# names as its global Lua plugin folder, and tshark knows the protocol once that folder is
# the one it reads (exit 77: no tshark here).
set -euo pipefail
fail() { echo "FAIL: $*" >&2; exit 1; }
command -v tshark >/dev/null || { echo "tshark is not installed (Debian package tshark)"; exit 77; }
out=$1 root=$2
debs=("$out"/kvt730-tool_*.deb)
[ -f "${debs[0]}" ] || fail "no package in $out"
folder=$(tshark -G folders 2>/dev/null | sed -n 's/^Global Lua Plugins:[[:space:]]*//p')
[ -n "$folder" ] || fail "tshark names no global Lua plugin folder"
dpkg-deb -c "${debs[0]}" | awk '{print $6}' | grep -qx ".$folder/kvt730.lua" || fail "kvt730.lua is not in $folder"
rm -rf "$root" && mkdir -p "$root" && dpkg -x "${debs[0]}" "$root"
# The personal plugin folder is searched the same way as the global one: point HOME there.
mkdir -p "$root/home/.local/lib/wireshark"
ln -s "$root$folder" "$root/home/.local/lib/wireshark/plugins"
HOME=$root/home tshark -G protocols 2>/dev/null | grep -q "^KVT-730 reader protocol	KVT730	kvt730$" ||
  fail "tshark does not load the packaged dissector"
echo "kvt730.lua in $folder, loaded by tshark"
