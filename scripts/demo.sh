#!/usr/bin/env bash
# Builds boardtool and the token emulator and shows the tool's main job in a
# fresh temporary folder, on one emulated token: issues a command file (the
# access code typed on standard input) that creates board 5 and executes
# it, then one that moves board 5's data to board 7, then prints the
# diagnostics report. Shows the token's content and log.txt on the way.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
source scripts/stages/common.sh

echo "=== Checking the build tools"
scripts/stages/prerequisites.sh

echo "=== Building boardtool and softtoken in build/demo"
cmake -S . -B build/demo -G "$(cmake_generator)" -DBOARDTOOL_TESTS=OFF > /dev/null
cmake --build build/demo --target boardtool softtoken -j "$(build_jobs)"
tool="$root/build/demo/bin/boardtool"
softtoken="$root/build/demo/bin/softtoken"

work=$(mktemp -d "${TMPDIR:-/tmp}/boardtool-demo-XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"
export SOFTTOKEN_DIR="$work/tokens"
mkdir -p "$SOFTTOKEN_DIR"
echo "=== Working in the fresh folder $work"

# The tool's console messages from the token layer are code page 1251.
show_errors() {
  if [[ -s errors.txt ]]; then
    echo "    standard error:"
    if command -v iconv > /dev/null 2>&1; then
      iconv -f CP1251 -t UTF-8 errors.txt | sed 's/^/      /'
    else
      sed 's/^/      /' errors.txt
    fi
  fi
}

# issue FROM TO: types the access code and runs the issuing mode.
issue() {
  echo "=== Issuing a command file: boardtool $1 $2"
  echo "    (the access code is typed on standard input; one '*' per key)"
  local status=0
  printf 'Vk93q\n' | "$tool" "$1" "$2" || status=$?
  echo
  echo "    exit code $status"
  if [[ $status -ne 0 ]]; then
    echo "=== Issuing failed." >&2
    exit 1
  fi
}

# execute FILE: runs the execution mode on a command file.
execute() {
  echo "=== Executing it: boardtool $1 (body $(cat "$1"))"
  local status=0
  "$tool" "$1" 2> errors.txt || status=$?
  show_errors
  echo "    exit code $status"
  echo "    token content:"
  "$softtoken" tree "KeyToken 0" | sed 's/^/      /'
}

echo "=== Plugging in one emulated token: softtoken add \"KeyToken 0\""
"$softtoken" add "KeyToken 0"

issue 0 5
execute create5.rtn
echo "    (board 5 was on no token: the not-found lines above precede its creation)"

echo "=== Putting data into board 5's data file: softtoken write \"KeyToken 0\" 5/0x1001"
printf 'calibration data of board 5' | "$softtoken" write "KeyToken 0" 5/0x1001

issue 5 7
execute 5to7.rtn
echo "    board 7's data file now holds: $("$softtoken" read "KeyToken 0" 7/0x1001)"

echo "=== Diagnostics report: boardtool"
status=0
"$tool" 2> errors.txt || status=$?
show_errors
echo "    exit code $status"

echo "=== log.txt after the runs:"
cat log.txt
echo "=== Done; the demo folder is removed."
