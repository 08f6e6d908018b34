#!/usr/bin/env bash
# Installs everything Quillmark needs to build, test, fuzz and benchmark on Debian 12.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config git python3
  libgtest-dev libgmock-dev libbenchmark-dev libcpp-httplib-dev libcli11-dev
  clang libclang-rt-14-dev clang-format
  nginx libcurl4-openssl-dev curl nlohmann-json3-dev libpugixml-dev libsqlite3-dev
  qt6-base-dev qt6-base-dev-tools libjpeg-dev xvfb xauth poppler-utils fonts-dejavu-core
  fp-utils desktop-file-utils xdotool libxcb1-dev
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -q
  "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
