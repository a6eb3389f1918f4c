#!/usr/bin/env bash
# Builds everything with one compiler in build/NAME and runs the tests.
#   build-and-test.sh NAME C-COMPILER C++-COMPILER
set -euo pipefail

name=$1
cc=$2
cxx=$3
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cd "$root"
source scripts/stages/common.sh

echo "--- Configuring build/$name with $cxx"
cmake -S . -B "build/$name" -G "$(cmake_generator)" \
  -DCMAKE_C_COMPILER="$cc" -DCMAKE_CXX_COMPILER="$cxx"
echo "--- Building build/$name"
cmake --build "build/$name" -j "$(build_jobs)"
echo "--- Running the tests of build/$name"
ctest --test-dir "build/$name" --output-on-failure -j "$(build_jobs)"
