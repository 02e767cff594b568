# Shared set-up for the scripts: installs missing Debian packages, configures and builds.
# Source it; then call gaugeloft_build <build-dir> [extra cmake arguments...] [--target NAME].

set -euo pipefail

GAUGELOFT_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"

GAUGELOFT_PACKAGES=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev libgl-dev libxcb1-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth dbus-daemon openbox x11-utils
  nginx tinyproxy openssl cabextract gcab
  prometheus prometheus-node-exporter
)

gaugeloft_install_packages() {
  local missing=()
  local package
  for package in "${GAUGELOFT_PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$package")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing build dependencies: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  # servers the tests start themselves (nginx, tinyproxy, prometheus, node exporter) are not started as system services
  local policy=/usr/sbin/policy-rc.d placed=""
  if [ ! -e "$policy" ]; then
    printf '#!/bin/sh\nexit 101\n' | "${sudo[@]}" tee "$policy" >/dev/null && "${sudo[@]}" chmod 755 "$policy" && placed=1
  fi
  local status=0
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq || status=$?
  [ "$status" -eq 0 ] && { "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq \
    --no-install-recommends "${missing[@]}" || status=$?; }
  [ -n "$placed" ] && "${sudo[@]}" rm -f "$policy"
  return "$status"
}

gaugeloft_build() {
  local dir="$1"
  shift
  local configure=() target=()
  while [ $# -gt 0 ]; do
    if [ "$1" = "--target" ]; then
      target=(--target "$2")
      shift 2
    else
      configure+=("$1")
      shift
    fi
  done
  # A build that names no type is a Release (CMakeLists.txt); the scripts' builds keep their
  # debugging information unless the caller or an earlier configuration chose a type.
  if ! printf '%s\n' "${configure[@]}" | grep -q '^-DCMAKE_BUILD_TYPE=' \
      && ! grep -qs '^CMAKE_BUILD_TYPE:[A-Z]*=.' "$GAUGELOFT_ROOT/$dir/CMakeCache.txt"; then
    configure+=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
  fi
  gaugeloft_install_packages
  cmake -S "$GAUGELOFT_ROOT" -B "$GAUGELOFT_ROOT/$dir" -G Ninja "${configure[@]}" >/dev/null
  cmake --build "$GAUGELOFT_ROOT/$dir" --parallel "$(nproc)" "${target[@]}"
}
