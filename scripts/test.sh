#!/usr/bin/env bash
# Builds the project and runs every test, stage by stage; stops at the first
# stage that fails, with a non-zero exit code.
#
# Each stage is a script in scripts/stages/ with its arguments; to add a
# stage (sanitizers, fuzzing, a Windows build, benchmarks), add its script
# there and a line to STAGES below.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

STAGES=(
  "prerequisites.sh --tests"
  "build-and-test.sh gcc gcc g++"
  "build-and-test.sh clang clang clang++"
  "sanitizers.sh"
  "fuzz.sh 45"
  "windows.sh"
)

total=${#STAGES[@]}
number=0
for stage in "${STAGES[@]}"; do
  number=$((number + 1))
  echo "=== [$number/$total] $stage"
  read -r -a words <<< "$stage"
  if ! "scripts/stages/${words[0]}" "${words[@]:1}"; then
    echo "=== FAILED at stage $number/$total: $stage" >&2
    exit 1
  fi
done
echo "=== All $total stages passed."
