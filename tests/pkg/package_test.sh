#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# package_test.sh build OUT CPACK CONFIG      build the .deb into OUT
# package_test.sh install OUT VERSION ROOT    unpack it into ROOT and check it
set -euo pipefail

fail() { echo "FAIL: $*" >&2; exit 1; }

case "${1:-}" in
build)
  out=$2 cpack=$3 config=$4
  rm -rf "$out"
  "$cpack" -G DEB --config "$config" -B "$out"
  ;;
install)
  out=$2 version=$3 root=$4
  shopt -s nullglob
  debs=("$out"/kvt730-tool_"$version"_*.deb)
  [ "${#debs[@]}" -eq 1 ] || fail "expected one kvt730-tool_${version}_*.deb in $out, found ${#debs[@]}"
  deb=${debs[0]}

  [ "$(dpkg-deb -f "$deb" Package)" = kvt730-tool ] || fail "package name"
  [ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version"
  depends=$(dpkg-deb -f "$deb" Depends)
  echo "Depends: $depends"
  names=$(tr ',' '\n' <<<"$depends" | sed 's/^ *//; s/ .*//')
  for lib in libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6 libqt6serialport6 libpcsclite1 libstdc++6; do
    grep -qxF "$lib" <<<"$names" || fail "Depends lacks $lib"
  done
  # Installed files belong to root, whoever built the package.
  if dpkg-deb -c "$deb" | awk '{print $2}' | grep -v '^root/root$'; then
    fail "files not owned by root/root"
  fi

  rm -rf "$root"
  mkdir -p "$root"
  dpkg -x "$deb" "$root"
  for f in usr/bin/kvt730-tool usr/bin/kvt730ctl usr/bin/kvt730-sim \
           usr/share/applications/kvt730-tool.desktop \
           usr/share/icons/hicolor/scalable/apps/kvt730-tool.svg \
           usr/share/icons/hicolor/48x48/apps/kvt730-tool.png \
           usr/share/icons/hicolor/128x128/apps/kvt730-tool.png \
           usr/share/man/man1/kvt730-tool.1.gz usr/share/man/man1/kvt730ctl.1.gz \
           usr/share/man/man1/kvt730-sim.1.gz \
           usr/share/doc/kvt730-tool/copyright usr/share/doc/kvt730-tool/changelog.gz; do
    [ -s "$root/$f" ] || fail "$f missing from the package"
  done
  desktop=$root/usr/share/applications/kvt730-tool.desktop
  grep -qx 'Exec=kvt730-tool' "$desktop" || fail "desktop entry: Exec"
  grep -qx 'Icon=kvt730-tool' "$desktop" || fail "desktop entry: Icon"
  # Each manual page carries the package's version; the changelog's newest entry is this one.
  for page in kvt730-tool:KVT730-TOOL kvt730ctl:KVT730CTL kvt730-sim:KVT730-SIM; do
    th=$(zcat "$root/usr/share/man/man1/${page%%:*}.1.gz" | grep '^\.TH')
    [ "$th" = ".TH ${page#*:} 1 \"\" \"kvt730-tool $version\" \"User Commands\"" ] || fail "${page%%:*}.1: $th"
  done
  newest=$(zcat "$root/usr/share/doc/kvt730-tool/changelog.gz" | head -n1)
  [[ $newest == "kvt730-tool ($version) "* ]] || fail "changelog starts '$newest'"
  grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' \
    "$root/usr/share/doc/kvt730-tool/copyright" || fail "copyright is not machine-readable"

  # What a distribution would check: lintian, no error and no warning.
  if command -v lintian >/dev/null; then
    lintian_out=$(lintian --fail-on error,warning --display-info "$deb") || {
      echo "$lintian_out" >&2
      fail "lintian"
    }
    echo "lintian: ${lintian_out:-clean}"
  else
    fail "lintian is not installed (scripts/setup_common.sh installs it)"
  fi

  # The programs run from the scratch root on the system's libraries alone.
  for p in kvt730-tool kvt730ctl kvt730-sim; do
    if ldd "$root/usr/bin/$p" | grep 'not found'; then fail "$p: libraries not found"; fi
    got=$(env -u LD_LIBRARY_PATH "$root/usr/bin/$p" --version)
    [ "$got" = "$p $version" ] || fail "$p --version printed '$got'"
    help=$(env -u LD_LIBRARY_PATH "$root/usr/bin/$p" --help)
    grep -q "Usage: $p" <<<"$help" || fail "$p --help"
  done
  status=$(env -u LD_LIBRARY_PATH "$root/usr/bin/kvt730ctl" --simulate card-status)
  [[ $status == "Card Status | Card Status Success"* ]] || fail "kvt730ctl --simulate card-status printed '$status'"
  echo "kvt730ctl --version from $root: $(env -u LD_LIBRARY_PATH "$root/usr/bin/kvt730ctl" --version)"
  ;;
*)
  fail "usage: $0 build OUT CPACK CONFIG | install OUT VERSION ROOT"
  ;;
esac
