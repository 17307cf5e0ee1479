#!/usr/bin/env bash
# Installs every Debian package the build, the tests, the benchmarks and the fuzz targets
# need. Quick when they are all there already.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config python3
  clang libclang-rt-14-dev clang-format
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  nlohmann-json3-dev libpugixml-dev
  libssl-dev libicu-dev libhidapi-dev
  libcurl4-openssl-dev libsqlite3-dev libcpp-httplib-dev
  qt6-base-dev xvfb xauth trayer fonts-dejavu-core fonts-wqy-microhei
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
