#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a short while
# (QORU_FUZZ_SECONDS, default 20). Fails when any target finds a crash.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${QORU_FUZZ_SECONDS:-20}
dir="$root/build/fuzz"
cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DQORU_FUZZ=ON -DQORU_BUILD_TESTS=OFF -DQORU_BUILD_EXAMPLES=OFF -DQORU_WERROR=OFF >"$dir.configure.log" 2>&1 ||
  { cat "$dir.configure.log"; exit 1; }
cmake --build "$dir" -j"${QORU_JOBS:-2}" --target fuzz_all >"$dir.build.log" 2>&1 || { grep -E 'error' "$dir.build.log" | head -20; exit 1; }
status=0
for target in "$dir"/bin/fuzz_*; do
  name=$(basename "$target")
  corpus="$dir/corpus/$name"
  mkdir -p "$corpus"
  if "$target" -max_total_time="$seconds" -max_len=512 -artifact_prefix="$dir/" "$corpus" >"$dir/$name.log" 2>&1; then
    echo "$name: $(grep -Eo '#[0-9]+' "$dir/$name.log" | tail -1 | tr -d '#') runs, no failure"
  else
    echo "$name: FAILED"; tail -30 "$dir/$name.log"; status=1
  fi
done
exit $status
