#!/usr/bin/env bash
# Builds boardtool and the token emulator and shows the tool's main job on
# two emulated tokens, in a fresh temporary store and working folder:
# board 5 with a data file of known bytes on the second token; a create, a
# move across the tokens and a delete, each issued with boardtool (the
# access code typed on standard input) and then executed; the diagnostics
# report; log.txt and the tokens' contents at the end.
#
# Every command is printed after "$ " as it is run, so a reader can repeat
# the demo by hand in a shell of their own. DEMO_KEEP=1 keeps the folder.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
source scripts/stages/common.sh

echo "=== Checking the build tools"
scripts/stages/prerequisites.sh

echo "=== Building boardtool and softtoken in build/demo"
cmake -S . -B build/demo -G "$(cmake_generator)" -DBOARDTOOL_TESTS=OFF > /dev/null
cmake --build build/demo --target boardtool softtoken -j "$(build_jobs)"
bin="$root/build/demo/bin"
export PATH="$bin:$PATH"

work=$(mktemp -d "${TMPDIR:-/tmp}/boardtool-demo-XXXXXX")
if [[ "${DEMO_KEEP:-0}" == 1 ]]; then
  trap 'echo "=== The demo folder $work is kept."' EXIT
else
  trap 'rm -rf "$work"' EXIT
fi
cd "$work"

step() {
  echo
  echo "=== $*"
}

# show COMMAND...: prints the command as it could be typed, then runs it.
show() {
  local text="\$"
  local word
  for word in "$@"; do
    if [[ "$word" =~ ^[A-Za-z0-9._/-]+\ [A-Za-z0-9._/\ -]*$ ]]; then
      text+=" \"$word\""
    else
      text+=" $(printf '%q' "$word")"
    fi
  done
  echo "$text"
  "$@"
}

# The token layer's console lines are code page 1251 text; they are shown
# converted for this terminal.
show_errors() {
  if [[ -s errors.txt ]]; then
    echo "    standard error (code page 1251, shown converted):"
    if command -v iconv > /dev/null 2>&1; then
      iconv -f CP1251 -t UTF-8 errors.txt | sed 's/^/      /'
    else
      sed 's/^/      /' errors.txt
    fi
  fi
}

# issue FROM TO: the issuing mode, with the access code typed on standard
# input (one '*' per key).
issue() {
  echo "\$ printf 'Vk93q\\n' | boardtool $1 $2"
  local status=0
  printf 'Vk93q\n' | boardtool "$1" "$2" || status=$?
  echo
  echo "    exit code $status"
  if [[ $status -ne 0 ]]; then
    echo "=== Issuing failed." >&2
    exit 1
  fi
}

# execute FILE: the execution mode on a command file; its console output
# and exit code.
execute() {
  echo "\$ boardtool $1"
  local status=0
  boardtool "$1" > output.txt 2> errors.txt || status=$?
  if [[ -s output.txt ]]; then
    echo "    standard output:"
    sed 's/^/      /' output.txt
  fi
  show_errors
  echo "    exit code $status"
  if [[ $status -ne 0 ]]; then
    echo "=== Execution failed; log.txt says:" >&2
    cat log.txt >&2
    exit 1
  fi
}

tokens() {
  show softtoken tree "KeyToken 0"
  show softtoken tree "KeyToken 1"
}

step "A fresh token store and working folder"
export SOFTTOKEN_DIR="$work/tokens"
echo "\$ export SOFTTOKEN_DIR=$(printf '%q' "$SOFTTOKEN_DIR")"
echo "\$ cd $(printf '%q' "$work")"
echo "    (boardtool and softtoken are in $bin)"

step "Plugging in two emulated tokens"
show softtoken add "KeyToken 0" --id 0x00A1B2C3
show softtoken add "KeyToken 1" --id 0x00D4E5F6

step "Board 5 with a data file of known bytes, and board 6, on the second token"
echo "\$ printf 'calibration data of board 5\\n' > board5.bin"
printf 'calibration data of board 5\n' > board5.bin
show softtoken mkdir "KeyToken 1" 5
echo "\$ softtoken write \"KeyToken 1\" 5/0x1001 < board5.bin"
softtoken write "KeyToken 1" 5/0x1001 < board5.bin
show softtoken mkdir "KeyToken 1" 6
echo "\$ printf 'board 6' | softtoken write \"KeyToken 1\" 6/0x1001"
printf 'board 6' | softtoken write "KeyToken 1" 6/0x1001
show softtoken list
tokens

step "Create: a data file of 340 zero bytes for board 7, which no token holds yet"
issue 0 7
execute create7.rtn
echo "    (the ERROR lines are the search for board 7 on every token; it is then created on slot 0)"
show softtoken ls "KeyToken 0" 7

step "Move: board 5's data file (slot 1) to board 7 (slot 0)"
issue 5 7
execute 5to7.rtn
echo "    (board 5 was left empty, so its folder was deleted too)"
tokens
echo "\$ softtoken read \"KeyToken 0\" 7/0x1001 | cmp - board5.bin"
if softtoken read "KeyToken 0" 7/0x1001 | cmp - board5.bin; then
  echo "    board 7 holds exactly the bytes board 5 held"
else
  echo "=== Board 7's data file differs from board 5's." >&2
  exit 1
fi

step "Delete: board 6's data file, and with it the emptied board"
issue 6 0
execute delete6.rtn
tokens

step "Diagnostics report of both tokens"
echo "\$ boardtool"
status=0
boardtool 2> errors.txt || status=$?
show_errors
echo "    exit code $status"

step "log.txt after all runs"
show cat log.txt

step "The tokens' contents at the end"
tokens
show softtoken read "KeyToken 0" 7/0x1001
echo
echo "=== Done."
