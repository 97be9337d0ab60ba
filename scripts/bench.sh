#!/usr/bin/env bash
# Builds the benchmark programs (Linux) and runs each at two CPU levels (the
# best this machine has, or the one NLSUI_CPU caps it at, then avx2: the level
# most machines run), 5 repetitions of at least 0.15 s each (QORU_BENCH_REPETITIONS,
# QORU_BENCH_MIN_TIME change that); prints medians and ours/peer ratios for each
# level and draws both as one chart: docs/speed.svg for a whole run,
# build/bench/speed.svg for a run with a filter. Arguments: a benchmark filter regex.
# ICU's and {fmt}'s times do not depend on the level: they are measured at the
# first level only, and rows that repeat one of ours are not run (bench/report.py
# --plan). glibc picks its own string kernels by CPU: at a level below the
# machine's it is capped the same way (glibc_cap), as it would run on a CPU of
# that level.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" bench
dir="$root/build/bench"
cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=Release -DQORU_BUILD_TESTS=OFF -DQORU_BUILD_BENCH=ON >/dev/null
cmake --build "$dir" -j"${QORU_JOBS:-2}" >/dev/null
filter=${1:-.}
repetitions=${QORU_BENCH_REPETITIONS:-5}
min_time=${QORU_BENCH_MIN_TIME:-0.15}
# The first level is the best this machine has, or the cap NLSUI_CPU sets; the
# second is avx2, unless that was the first.
levels=("${NLSUI_CPU:-best}")
[ "${levels[0]}" = avx2 ] || levels+=(avx2)
results=([0]="" [1]="")
# The GLIBC_TUNABLES setting that hides from glibc the features a level lacks.
glibc_cap() {
  local avx512=-AVX512F,-AVX512VL,-AVX512BW,-AVX512DQ,-AVX512CD
  case $1 in
    avx2) echo "glibc.cpu.hwcaps=$avx512" ;;
    ssse3 | sse2 | plain) echo "glibc.cpu.hwcaps=$avx512,-AVX2,-AVX,-BMI1,-BMI2" ;;
  esac
}
for prog in "$dir"/bin/bench_*; do
  names=$("$prog" --benchmark_list_tests --benchmark_filter="$filter" 2>/dev/null || true)
  # One program at both levels before the next, so that both meet the same load.
  for i in "${!levels[@]}"; do
    level=${levels[$i]}
    mkdir -p "$dir/$level"
    out="$dir/$level/$(basename "$prog").json"
    rm -f "$out"
    # The rows to run at this level, as one anchored alternation of escaped names.
    rows=$(python3 "$root/bench/report.py" --plan "$i" <<<"$names" | sed 's/[][\.*^$+?(){}|]/\\&/g' | paste -sd'|')
    [ -n "$rows" ] || continue
    cap=()
    [ "$level" = best ] || cap=(NLSUI_CPU="$level" GLIBC_TUNABLES="$(glibc_cap "$level")")
    env -u NLSUI_CPU "${cap[@]}" "$prog" --benchmark_filter="^($rows)\$" --benchmark_repetitions="$repetitions" \
      --benchmark_min_time="$min_time" --benchmark_report_aggregates_only=true --benchmark_out="$out" \
      --benchmark_out_format=json >/dev/null 2>"$dir/$level/$(basename "$prog").log"
    results[i]+=" $out"
  done
done
args=()
for i in "${!levels[@]}"; do
  # shellcheck disable=SC2206  # the paths are build paths without blanks
  args+=(--level "${levels[$i]}" ${results[$i]})
done
chart=$dir/speed.svg
if [ "$filter" = . ]; then
  mkdir -p "$root/docs"
  chart=$root/docs/speed.svg
fi
python3 "$root/bench/report.py" --svg "$chart" "${args[@]}"
echo "chart: $chart"
echo "total time: $((SECONDS / 60)) min $((SECONDS % 60)) s"
