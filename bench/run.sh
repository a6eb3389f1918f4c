#!/usr/bin/env bash
# Builds the benchmarks (RelWithDebInfo, the project's default: -O2) and runs them: the codec and the
# one-token-operation benchmarks (Google Benchmark), then whole boardtool
# processes on emulated stores, each comparison interleaved run by run so
# that both sides see the same machine, with the median of RUNS runs.
#
#   bench/run.sh [BUILD_DIR]      default: build/bench
#   RUNS=N        runs per timed command (default 15; 4x that for the
#                 short four-argument comparison)
#   JOBS=N        parallel build jobs (default 2)
#   BENCH_QUICK=1 skip the Google Benchmark part
#
# Uses /usr/bin/time for each command's CPU time and peak memory, and
# hyperfine, when installed, for a second opinion on the comparisons.
set -euo pipefail
shopt -s inherit_errexit
export LC_ALL=C

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build/bench}"
runs="${RUNS:-15}"
jobs="${JOBS:-2}"

generator=()
if command -v ninja > /dev/null; then
  generator=(-G Ninja)
fi
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DBOARDTOOL_BENCH=ON > /dev/null
fi
cmake --build "$build" -j"$jobs" --target boardtool softtoken tokenapi perf_store_tool \
  codec_bench token_op_bench exit_at_once > /dev/null
bin="$build/bin"

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //')"
echo "build:   $(grep -m1 CMAKE_BUILD_TYPE: "$build/CMakeCache.txt" | cut -d= -f2)," \
  "$(grep -m1 CMAKE_CXX_COMPILER: "$build/CMakeCache.txt" | cut -d= -f2)"
echo

if [ "${BENCH_QUICK:-0}" != 1 ]; then
  for b in codec_bench token_op_bench; do
    echo "== $b (median of 5 repetitions)"
    "$bin/$b" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
      --benchmark_min_time=0.2 2>&1 | grep -E '^(Benchmark|-|BM_.*_median)'
    echo
  done
fi

work="$(mktemp -d "${TMPDIR:-/tmp}/boardtool-bench.XXXXXX")"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/run"
"$bin/perf_store" store "$work/s100" 8 100 3
"$bin/perf_store" store "$work/s200" 8 200 3
"$bin/perf_store" command "$work/run/create.rtn" 0 9000
"$bin/perf_store" command "$work/run/move.rtn" 7001 3001
"$bin/perf_store" command "$work/run/delete.rtn" 1001 0
cd "$work/run"

# Microseconds of one run of the command (fork and exec included); output
# goes to files in the working folder.
elapsed() {
  local start=${EPOCHREALTIME/./}
  "$@" > out.txt 2> err.txt || { echo "failed: $*" >&2; cat err.txt >&2; exit 1; }
  local end=${EPOCHREALTIME/./}
  echo $((end - start))
}
median() {
  sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : int((v[NR / 2] + v[NR / 2 + 1]) / 2) }'
}
ms() { awk -v us="$1" 'BEGIN { printf "%.2f ms", us / 1000 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
verdict() { awk -v v="$1" -v limit="$2" 'BEGIN { print (v <= limit) ? "met" : "MISSED" }'; }
resources() { # one more run under /usr/bin/time: CPU time and peak memory
  /usr/bin/time -f "user %U s, system %S s, peak %M KB" "$@" 2>&1 > /dev/null | tail -1
}

diagnostics() { rm -f log.txt; SOFTTOKEN_DIR="$work/$1" "$bin/boardtool"; }

echo "== diagnostics report, 8 tokens x 100 and x 200 boards x 3 files, $runs runs each, interleaved"
a=(); b=()
diagnostics s100 > /dev/null; diagnostics s200 > /dev/null # warm the page cache
for ((i = 0; i < runs; i++)); do
  a+=("$(elapsed diagnostics s100)")
  b+=("$(elapsed diagnostics s200)")
done
m100=$(printf '%s\n' "${a[@]}" | median)
m200=$(printf '%s\n' "${b[@]}" | median)
echo "8x100x3: median $(ms "$m100")   (target < 500 ms: $(verdict "$m100" 500000))"
echo "8x200x3: median $(ms "$m200")"
r=$(ratio "$m200" "$m100")
echo "ratio 200/100 boards: $r   (target <= 2.2: $(verdict "$r" 2.2))"
echo "8x100x3: $(resources env SOFTTOKEN_DIR="$work/s100" "$bin/boardtool")"
echo

echo "== four arguments beside a program that ends at once, $((runs * 4)) runs each, interleaved"
a=(); b=()
for ((i = 0; i < runs * 4; i++)); do
  a+=("$(elapsed "$bin/exit_at_once")")
  b+=("$(elapsed "$bin/boardtool" a b c d)")
done
mexit=$(printf '%s\n' "${a[@]}" | median)
mfour=$(printf '%s\n' "${b[@]}" | median)
r=$(ratio "$mfour" "$mexit")
echo "exit_at_once:       median $(ms "$mexit")"
echo "boardtool a b c d:  median $(ms "$mfour")"
echo "ratio: $r   (target <= 1.5: $(verdict "$r" 1.5))"
echo

# Each execution run starts from a fresh copy of the 8x100x3 store; the copy
# is not timed.
execute() {
  rm -rf "$work/exec" && cp -a "$work/s100" "$work/exec"
  local t
  t=$(SOFTTOKEN_DIR="$work/exec" elapsed "$bin/boardtool" "$1")
  echo "$t"
}
echo "== command-file execution on the 8x100x3 store, $runs runs each"
for op in create move delete; do
  times=()
  for ((i = 0; i < runs; i++)); do
    times+=("$(execute "$op.rtn")")
  done
  m=$(printf '%s\n' "${times[@]}" | median)
  printf '%-7s median %s\n' "$op" "$(ms "$m")"
done
echo

echo "== the latency model: SOFTTOKEN_LATENCY_US=1000, 3 runs each"
for op in create move delete; do
  times=()
  for ((i = 0; i < 3; i++)); do
    times+=("$(SOFTTOKEN_LATENCY_US=1000 execute "$op.rtn")")
  done
  m=$(printf '%s\n' "${times[@]}" | median)
  printf '%-7s median %s\n' "$op" "$(ms "$m")"
done
echo

if command -v hyperfine > /dev/null; then
  echo "== hyperfine"
  hyperfine -N --warmup 5 --runs $((runs * 4)) "$bin/exit_at_once" "$bin/boardtool a b c d"
  hyperfine --warmup 1 --runs "$runs" --prepare "rm -f $work/run/log.txt" \
    "SOFTTOKEN_DIR=$work/s100 $bin/boardtool" "SOFTTOKEN_DIR=$work/s200 $bin/boardtool"
else
  echo "(hyperfine not installed: skipped)"
fi
