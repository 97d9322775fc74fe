#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing need.
# Cheap when everything is there: it asks dpkg first and calls apt only for what is missing.
set -euo pipefail

packages=(
  cmake ninja-build pkg-config g++
  qt6-base-dev libgl-dev
  libftdi1-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  nlohmann-json3-dev
  fonts-wqy-microhei
  xvfb xauth xdotool imagemagick
  clang libclang-rt-14-dev llvm-14
  ola tshark iproute2 util-linux
  umockdev libumockdev-dev
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo=""
  [[ $(id -u) -eq 0 ]] || sudo="sudo"
  $sudo apt-get update -qq
  # tshark asks whether non-root users may capture; the answer must not wait
  # for a terminal.
  echo "wireshark-common wireshark-common/install-setuid boolean false" | $sudo debconf-set-selections
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
