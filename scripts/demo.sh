#!/usr/bin/env bash
# Builds the library and runs the demo on the bundled multilingual sample.
# Arguments are passed to the demo.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
dir="$root/build/native"
cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=Release -DQORU_BUILD_TESTS=OFF >/dev/null
cmake --build "$dir" -j"${QORU_JOBS:-2}" --target qorucum_demo >/dev/null
cd "$dir/bin"
exec ./qorucum_demo "$@"
