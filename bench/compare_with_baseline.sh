#!/usr/bin/env bash
# Measures a benchmark of this tree side by side with the same benchmark of a baseline commit (built from
# that commit's files in a temporary folder), on one X display and in one run: the two are run in turn,
# round after round, so that both see the same machine load. Prints each one's min/median/max over all its
# repetitions and the ratio of the medians.
#
# Run (needs an X display):
#   xvfb-run -a -s "-screen 0 1280x1024x24" bench/compare_with_baseline.sh [baseline-commit]
# Settings (environment): BUILD_DIR (this tree's build, default build), ROUNDS (default 10),
# REPETITIONS (per round and side, default 4), MIN_TIME (seconds per repetition, default 0.3),
# FILTER (the benchmark, default ^BM_CaptureTestBlocking/).
set -euo pipefail
cd "$(dirname "$0")/.."

baseline=${1:-41decac}
build_dir=${BUILD_DIR:-build}
rounds=${ROUNDS:-10}
repetitions=${REPETITIONS:-4}
min_time=${MIN_TIME:-0.3}
filter=${FILTER:-^BM_CaptureTestBlocking/}

if [ -z "${DISPLAY:-}" ]; then
  echo "No X display: run this under xvfb-run." >&2
  exit 2
fi
export NO_AT_BRIDGE=1

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

build_bench() { # source dir, build dir
  cmake -S "$1" -B "$2" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$2" --target varnel_bench -j2 >/dev/null
}

echo "== building the benchmark of $baseline"
mkdir "$work/tree"
git archive "$baseline" | tar -x -C "$work/tree"
build_bench "$work/tree" "$work/build"
echo "== building the benchmark of this tree in $build_dir"
build_bench . "$build_dir"

# One round of one side: the real time per iteration of each repetition, in ms, one a line.
run_side() { # benchmark executable, output file
  "$1" --benchmark_filter="$filter" --benchmark_repetitions="$repetitions" \
    --benchmark_min_time="$min_time" --benchmark_format=csv 2>/dev/null |
    awk -F, '
      NR == 1 || $1 ~ /_(mean|median|stddev|cv)"?$/ { next }
      $5 ~ /ms/ { print $3 } $5 ~ /us/ { print $3 / 1000 } $5 ~ /ns/ { print $3 / 1e6 }' >>"$2"
}

for round in $(seq "$rounds"); do
  echo "== round $round of $rounds"
  run_side "$work/build/bench/varnel_bench" "$work/baseline.ms"
  run_side "$build_dir/bench/varnel_bench" "$work/current.ms"
done

for side in baseline current; do
  if [ ! -s "$work/$side.ms" ]; then
    echo "The $side benchmark gave no figures for $filter." >&2
    exit 1
  fi
done

# min, median, max and count of the figures in a file.
stats() {
  sort -g "$1" | awk '{ v[NR] = $1 }
    END { print v[1], (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2), v[NR], NR }'
}
report() { # label, stats
  local min median max count
  read -r min median max count <<<"$2"
  printf "%-34s min %8.2f ms  median %8.2f ms  max %8.2f ms  (%d repetitions)\n" \
    "$1" "$min" "$median" "$max" "$count"
}

current_label="this tree ($(git rev-parse --short HEAD)"
git diff --quiet HEAD -- . || current_label+=" with changes"
baseline_stats=$(stats "$work/baseline.ms")
current_stats=$(stats "$work/current.ms")
echo "== $filter, real time per iteration"
report "baseline ($(git rev-parse --short "$baseline"))" "$baseline_stats"
report "$current_label)" "$current_stats"
awk -v b="$baseline_stats" -v c="$current_stats" 'BEGIN {
  split(b, base, " "); split(c, cur, " ")
  printf "median ratio this tree / baseline: %.3f\n", cur[2] / base[2] }'
