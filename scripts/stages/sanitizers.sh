#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer in
# build/sanitizers and runs the whole test suite there. Any report ends the
# process that makes it, so a sanitizer finding fails its test.
#   sanitizers.sh [C-COMPILER C++-COMPILER]     (default: clang clang++)
# BOARDTOOL_SANITIZERS_BUILD names another build folder.
set -euo pipefail

cc=${1:-clang}
cxx=${2:-clang++}
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cd "$root"
source scripts/stages/common.sh

build=${BOARDTOOL_SANITIZERS_BUILD:-build/sanitizers}
flags="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
started=$SECONDS
echo "--- Configuring $build with $cxx and $flags"
cmake -S . -B "$build" -G "$(cmake_generator)" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER="$cc" -DCMAKE_CXX_COMPILER="$cxx" \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="$flags" -DCMAKE_SHARED_LINKER_FLAGS="$flags"
echo "--- Building $build"
cmake --build "$build" -j "$(build_jobs)"
echo "--- Running the tests of $build"
# Every child process the tests start inherits these: a finding aborts it
# with a report on standard error.
export ASAN_OPTIONS="abort_on_error=1:detect_leaks=1:strict_string_checks=1:check_initialization_order=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
ctest --test-dir "$build" --output-on-failure -j "$(build_jobs)"
echo "--- Sanitizer build and tests took $((SECONDS - started)) s"
