#!/usr/bin/env bash
# Builds the library and runs the demo on the bundled multilingual sample.
#   scripts/demo.sh [OPTIONS] [FILE]  the demo on FILE (default: examples/sample.txt);
#                               -h lists the options
#   scripts/demo.sh --no-icu    the demo built for an ICU version this machine
#                               lacks: first the failure reports and exit -1,
#                               then the 7-bit emergency mode
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" demo
build() {
  cmake -S "$root" -B "$1" -DCMAKE_BUILD_TYPE=Release -DQORU_BUILD_TESTS=OFF "${@:2}" >/dev/null
  cmake --build "$1" -j"${QORU_JOBS:-2}" --target qorucum_demo >/dev/null
}

if [ "${1:-}" = "--no-icu" ]; then
  dir="$root/build/demo-noicu"
  # ICU 50 is not on this machine, and NO_QOR_ICU_PATH skips the fixed directory.
  build "$dir" -DQORU_ICU_VERSION=50
  cd "$dir/bin"
  echo "### Without ICU (NO_QOR_ICU_PATH=1): the reports, then exit status -1"
  set +e
  NO_QOR_ICU_PATH=1 ./qorucum_demo sample-short.txt
  echo "### exit status: $?"
  echo
  echo "### The same with NLSUI_7BIT_FALLBACK=1: 7-bit emergency mode"
  NO_QOR_ICU_PATH=1 NLSUI_7BIT_FALLBACK=1 ./qorucum_demo sample-short.txt
  echo "### exit status: $?"
  exit 0
fi

# The demo runs in its own folder, where its samples lie, so a FILE named
# relative to where the user stands is made absolute first. Its options are
# -h, -u and -t LEVEL (also -tLEVEL, and grouped: -ut LEVEL); "--" ends them.
args=()
value=no
operands=no
for arg in "$@"; do
  if [ "$value" = yes ]; then
    value=no
  elif [ "$operands" = no ] && [ "$arg" = -- ]; then
    operands=yes
  elif [ "$operands" = no ] && [ "${arg:0:1}" = - ] && [ "${#arg}" -gt 1 ]; then
    # The option group's value is the next argument when its first t ends the group.
    group=${arg:1}
    [ "${group%%t*}t" = "$group" ] && value=yes
  elif [ "${arg:0:1}" != / ]; then
    arg=$PWD/$arg
  fi
  args+=("$arg")
done

# A build directory of its own: the test command's builds set other options.
dir="$root/build/demo"
build "$dir"
cd "$dir/bin"
exec ./qorucum_demo "${args[@]}"
