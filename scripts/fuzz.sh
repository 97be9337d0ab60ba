#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, replays each target's kept corpus
# (tests/fuzz/corpus/TARGET: inputs minimised from long runs, every one run
# once) and then fuzzes each for a short while (QORU_FUZZ_SECONDS, default
# 20), starting from that corpus. Fails when any input crashes a target.
# With QORU_FUZZ_KEEP=1 the kept corpora are then replaced by the merge of
# everything found, minimised: the long run that made them was
# QORU_FUZZ_SECONDS=600 QORU_FUZZ_KEEP=1 scripts/fuzz.sh.
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
  kept="$root/tests/fuzz/corpus/$name"
  seeds=()
  if [ -d "$kept" ]; then
    seeds=("$kept")
    if ! "$target" -runs=0 -artifact_prefix="$dir/" "$kept" >"$dir/$name.replay.log" 2>&1; then
      echo "$name: kept corpus FAILED"; tail -30 "$dir/$name.replay.log"; status=1; continue
    fi
    echo "$name: $(find "$kept" -type f | wc -l) kept inputs replayed"
  fi
  if "$target" -max_total_time="$seconds" -max_len=512 -artifact_prefix="$dir/" "$corpus" "${seeds[@]}" \
    >"$dir/$name.log" 2>&1; then
    echo "$name: $(grep -Eo '#[0-9]+' "$dir/$name.log" | tail -1 | tr -d '#') runs, no failure"
  else
    echo "$name: FAILED"; tail -30 "$dir/$name.log"; status=1; continue
  fi
  if [ "${QORU_FUZZ_KEEP:-0}" = 1 ]; then
    rm -rf "$kept.new" && mkdir -p "$kept.new"
    "$target" -set_cover_merge=1 -max_len=512 "$kept.new" "$corpus" "${seeds[@]}" >"$dir/$name.merge.log" 2>&1
    rm -rf "$kept" && mv "$kept.new" "$kept"
    echo "$name: $(find "$kept" -type f | wc -l) inputs kept"
  fi
done
exit $status
