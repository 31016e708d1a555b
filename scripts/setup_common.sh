# SPDX-License-Identifier: MIT
# Shared by demo.sh and test.sh: the Debian packages the project needs, their
# installation when missing, and the CMake configuration. Source it; do not run it.

KVT_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
KVT_BUILD_DIR="${KVT_BUILD_DIR:-$KVT_ROOT/build}"

# Every Debian 12 package the build, the programs and the tests need. Work that
# brings new needs (pcscd, vsmartcard for the PC/SC tests, ...) adds them here.
KVT_DEBIAN_PACKAGES=(
  cmake ninja-build g++                                            # build tools
  qt6-base-dev qt6-base-dev-tools qt6-serialport-dev               # Qt 6: Core, Widgets, Test, SerialPort
  libgtest-dev                                                     # GoogleTest
  xvfb xauth                                                       # a virtual display for window tests
  pcscd libpcsclite-dev pkg-config                                 # the smart-card service, its client library
  vsmartcard-vpcd vsmartcard-vpicc python3-pycryptodome            # virtual reader and cards for the PC/SC tests
  dpkg-dev file                                                    # the Debian package: cpack runs dpkg-shlibdeps and file
  pcsc-tools                                                       # the known-ATR list (smartcard_list.txt), read at run time
  ser2net                                                          # a serial device server for the network port tests
  libcli11-dev                                                     # CLI11: the command lines of kvt730ctl and kvt730-sim
  tshark                                                           # reads the monitor's captures through our dissector
  prometheus-cpp-dev                                               # the metrics endpoint of qualify and wear
  prometheus                                                       # a real scraper for the metrics tests
  chromium poppler-utils python3-html5lib                          # HTML reports: rendered to PDF, read back, parsed
  lintian                                                          # checks the Debian package
)

kvt_missing_packages() {
  local p
  for p in "${KVT_DEBIAN_PACKAGES[@]}"; do
    dpkg -s "$p" 2>/dev/null | grep -q '^Status: install ok installed' || echo "$p"
  done
}

# Installs what is missing, through sudo when not root.
kvt_install_packages() {
  local missing
  mapfile -t missing < <(kvt_missing_packages)
  if [ "${#missing[@]}" -eq 0 ]; then
    return 0
  fi
  echo "Installing Debian packages: ${missing[*]}"
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    sudo=(sudo)
  fi
  # wireshark-common would ask whether ordinary users may capture; they may not.
  echo "wireshark-common wireshark-common/install-setuid boolean false" | "${sudo[@]}" debconf-set-selections
  "${sudo[@]}" apt-get update
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
}

# Extra arguments go to cmake (e.g. -DKVT_SANITIZE=ON). KVT_WERROR=1 (continuous
# integration) turns every compiler warning into an error.
kvt_configure() {
  cmake -S "$KVT_ROOT" -B "$KVT_BUILD_DIR" -G Ninja "-DKVT_WERROR=$([ "${KVT_WERROR:-0}" = 1 ] && echo ON || echo OFF)" "$@"
}

# Builds the given targets (all when none are given), two jobs at a time.
kvt_build() {
  local targets=()
  if [ "$#" -gt 0 ]; then
    targets=(--target "$@")
  fi
  cmake --build "$KVT_BUILD_DIR" -j2 "${targets[@]}"
}

# Path of a built program.
kvt_program() {
  find "$KVT_BUILD_DIR" -type f -name "$1" -perm -u+x -print -quit
}
