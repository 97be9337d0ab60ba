#!/usr/bin/env bash
# Installs what the build and tests need on a fresh Debian machine when run
# as root; otherwise says exactly what is missing.
set -euo pipefail

packages=(cmake g++ pkg-config libgtest-dev libbenchmark-dev libicu-dev g++-mingw-w64-x86-64 wine64 clang libclang-rt-14-dev
  libfast-float-dev dpkg-dev valgrind)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${missing[@]}" >/dev/null
else
  echo "Missing packages. Install them with:" >&2
  echo "  sudo apt-get install ${missing[*]}" >&2
  exit 1
fi
