#!/usr/bin/env bash
# Installs the Debian packages one command needs when run as root; otherwise
# prints the apt-get line for those that are missing and fails.
#   scripts/setup.sh demo    scripts/demo.sh: build the library, run the demo
#   scripts/setup.sh test    scripts/test-all.sh (the default)
#   scripts/setup.sh bench   scripts/bench.sh
# Every command needs the demo's packages too. Further arguments name more
# packages; when the first names no command, the command is test.
set -euo pipefail

# One list per command, one package per line.
demo=(
  cmake
  g++
  pkg-config
  libicu-dev
  libfast-float-dev
)
test=(
  libgtest-dev
  g++-mingw-w64-x86-64
  wine64
  clang
  libclang-rt-14-dev
  lld
  dpkg-dev
  doxygen
  valgrind
  g++-aarch64-linux-gnu
  qemu-user
  libicu72:arm64
)
bench=(
  libbenchmark-dev
  libfmt-dev
)

command=test
case ${1:-} in
  demo | test | bench) command=$1; shift ;;
esac
case $command in
  demo) packages=("${demo[@]}") ;;
  test) packages=("${demo[@]}" "${test[@]}") ;;
  bench) packages=("${demo[@]}" "${bench[@]}") ;;
esac
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  echo "Installing for $command: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  # The aarch64 suite's ICU is Debian's arm64 build, beside the native one.
  if [ "$command" = test ] && ! dpkg --print-foreign-architectures | grep -qx arm64; then
    dpkg --add-architecture arm64
  fi
  apt-get update -qq
  apt-get install -y -qq "${missing[@]}" >/dev/null
else
  echo "Missing packages for $command. Install them with:" >&2
  echo "  sudo apt-get install ${missing[*]}" >&2
  exit 1
fi
