#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (and AddressSanitizer and
# UndefinedBehaviorSanitizer) in build/fuzz and runs each for a bounded
# time, starting from its committed seed corpus in fuzz/corpus/. A crash,
# a sanitizer report, a hang past the per-input timeout or a memory blow-up
# fails the stage; the input that did it is left in build/fuzz/findings/.
#   fuzz.sh [SECONDS-PER-TARGET]     (default: FUZZ_SECONDS or 45)
# BOARDTOOL_FUZZ_BUILD names another build folder.
set -euo pipefail

seconds=${1:-${FUZZ_SECONDS:-45}}
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cd "$root"
source scripts/stages/common.sh

build=${BOARDTOOL_FUZZ_BUILD:-build/fuzz}
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all"
echo "--- Configuring $build with clang++ and $flags"
cmake -S . -B "$build" -G "$(cmake_generator)" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBOARDTOOL_TESTS=OFF -DBOARDTOOL_FUZZ=ON \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
  -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address,undefined"
echo "--- Building the fuzz targets"
cmake --build "$build" -j "$(build_jobs)" --target fuzz_command_file fuzz_store_parser

# target name, seed corpus folder
targets=(
  "fuzz_command_file command_file"
  "fuzz_store_parser store"
)
mkdir -p "$build/findings"
for entry in "${targets[@]}"; do
  read -r target corpus <<< "$entry"
  # New inputs go to a scratch corpus; the committed seeds stay as they are.
  work="$build/corpus/$corpus"
  mkdir -p "$work"
  echo "--- $target for $seconds s on fuzz/corpus/$corpus"
  started=$SECONDS
  status=0
  "$build/bin/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$build/findings/$target-" -print_final_stats=1 \
    "$work" "fuzz/corpus/$corpus" > "$build/$target.log" 2>&1 || status=$?
  grep -E '^(Done |stat::number_of_executed_units|stat::peak_rss_mb)' "$build/$target.log" || true
  if (( status != 0 )); then
    tail -n 60 "$build/$target.log" >&2
    echo "=== $target failed (exit $status); findings in $build/findings:" >&2
    ls -l "$build/findings" >&2
    exit 1
  fi
  echo "--- $target: no failure in $((SECONDS - started)) s"
done
