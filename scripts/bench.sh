#!/usr/bin/env bash
# Builds the benchmark programs (Linux), runs each with 5 repetitions, prints
# medians and ours/peer ratios and draws them as a chart: docs/speed.svg for
# a whole run, build/bench/speed.svg for a run with a filter. Arguments: a
# benchmark filter regex.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" bench
dir="$root/build/bench"
cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=Release -DQORU_BUILD_TESTS=OFF -DQORU_BUILD_BENCH=ON >/dev/null
cmake --build "$dir" -j"${QORU_JOBS:-2}" >/dev/null
filter=${1:-.}
results=()
for prog in "$dir"/bin/bench_*; do
  out="$dir/$(basename "$prog").json"
  "$prog" --benchmark_filter="$filter" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    --benchmark_out="$out" --benchmark_out_format=json >/dev/null 2>"$dir/$(basename "$prog").log"
  # A program with no benchmark matching the filter writes nothing.
  [ -s "$out" ] && results+=("$out")
done
chart=$dir/speed.svg
if [ "$filter" = . ]; then
  mkdir -p "$root/docs"
  chart=$root/docs/speed.svg
fi
python3 "$root/bench/report.py" --svg "$chart" "${results[@]}"
echo "chart: $chart"
