#!/usr/bin/env bash
# Builds boardtool and shows its main job in a fresh temporary folder:
# issues a command file (the access code typed on standard input), then
# executes it and shows the log the run left.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
source scripts/stages/common.sh

echo "=== Checking the build tools"
scripts/stages/prerequisites.sh

echo "=== Building boardtool in build/demo"
cmake -S . -B build/demo -G "$(cmake_generator)" -DBOARDTOOL_TESTS=OFF > /dev/null
cmake --build build/demo --target boardtool -j "$(build_jobs)"
tool="$root/build/demo/bin/boardtool"

work=$(mktemp -d "${TMPDIR:-/tmp}/boardtool-demo-XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"
# Token work, if any, goes to an emulated store inside the demo folder.
export SOFTTOKEN_DIR="$work/tokens"
mkdir -p "$SOFTTOKEN_DIR"
echo "=== Working in the fresh folder $work"

echo "=== Issuing a command file that creates board 5: boardtool 0 5"
echo "    (the access code is typed on standard input; one '*' per key)"
status=0
printf 'Vk93q\n' | "$tool" 0 5 || status=$?
echo
echo "    exit code $status"
if [[ $status -ne 0 ]]; then
  echo "=== Issuing failed." >&2
  exit 1
fi
echo "=== The command file: $(ls -- *.rtn)"
echo "    body: $(cat create5.rtn)"

echo "=== Executing it: boardtool create5.rtn"
status=0
"$tool" create5.rtn || status=$?
echo "    exit code $status"

echo "=== log.txt after the run:"
cat log.txt
echo "=== Done; the demo folder is removed."
