# Shared by scripts/run and scripts/test: install what the build needs on a
# Debian 12 machine, then configure and build one preset.
set -euo pipefail

VANTREL_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
# libgmock-dev because Debian's GoogleTest package config names its files;
# qt6-charts-dev for the activity chart of the statistics views; libcomedi-dev
# for the board library's declarations (the program loads the library itself
# at run time, and runs without it); libusb for the USB adapter; umockdev for
# the USB test bed, which emulates adapters beneath the real libusb; libsigrok
# for logic analyser captures, sigrok-cli for the check of their decoding;
# dpkg-dev for the Debian package's dependencies, and for its check the desktop
# entry validator, xmllint, the MIME database and gio, which reads it; tshark
# reads back the pcapng export.
VANTREL_PACKAGES=(g++ cmake ninja-build pkg-config libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-charts-dev libcomedi-dev libusb-1.0-0-dev umockdev libumockdev-dev libsigrok-dev sigrok-cli
  dpkg-dev desktop-file-utils libxml2-utils shared-mime-info libglib2.0-bin tshark)
# For scripts/screenshot: a virtual X display and the capture tools.
VANTREL_SCREENSHOT_PACKAGES=(xvfb xauth x11-apps x11-utils imagemagick)
# For scripts/fuzz: clang, libFuzzer with the sanitizer runtimes, and
# llvm-symbolizer for readable crash stacks.
VANTREL_FUZZ_PACKAGES=(clang libclang-rt-14-dev llvm)

vantrel_install_packages() {
  local missing=()
  local p
  for p in "${VANTREL_PACKAGES[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}" >&2
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
}

# vantrel_build PRESET [TARGET...]
vantrel_build() {
  local preset="$1"
  shift
  # The desktop program is wanted even in a build folder configured before Qt
  # was installed; the sanitizer presets test the core alone.
  local ui=()
  case "$preset" in default | ci) ui=(-DVANTREL_BUILD_UI=ON) ;; esac
  cmake --preset "$preset" -S "$VANTREL_ROOT" "${ui[@]}" >/dev/null
  if [ $# -gt 0 ]; then
    cmake --build --preset "$preset" --target "$@"
  else
    cmake --build --preset "$preset"
  fi
}
