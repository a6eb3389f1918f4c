#!/usr/bin/env bash
# Cross-builds the tool, TOKENAPI.DLL and the tests for 64-bit Windows with
# mingw-w64 in build/windows and runs the whole CTest suite under Wine.
#   windows.sh [extra ctest arguments]
#
# Installs the cross compiler, Wine and GoogleTest's sources from Debian's
# packages when they are missing (needs root). BOARDTOOL_WINDOWS_BUILD
# names another build folder; JOBS limits the parallel build and test jobs.
# Wine runs in a prefix inside the build folder; its server is started once
# and kept running for the whole test run, then stopped. Exits non-zero when
# anything fails.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
cd "$root"
source scripts/stages/common.sh
build=${BOARDTOOL_WINDOWS_BUILD:-$root/build/windows}
jobs=$(build_jobs)
started=$SECONDS

say() { printf '[windows %4ds] %s\n' "$((SECONDS - started))" "$*"; }
fail() { say "FAILED: $*" >&2; exit 1; }

# --- 1. Tools -------------------------------------------------------------
# Each command the stage needs, with the Debian package that brings it.
needed=(
    "x86_64-w64-mingw32-g++-posix g++-mingw-w64-x86-64-posix"
    "x86_64-w64-mingw32-gcc-posix gcc-mingw-w64-x86-64-posix"
    "wine wine"
    "wineserver wine"
    "wineboot wine"
    "cmake cmake"
    "ctest cmake"
)
missing=()
for entry in "${needed[@]}"; do
    read -r command package <<<"$entry"
    command -v "$command" >/dev/null 2>&1 || missing+=("$package")
done
[[ -f /usr/src/googletest/CMakeLists.txt ]] || missing+=(googletest)
# wine64 is what runs 64-bit programs on Debian; the wine package alone may
# not bring it.
[[ -x /usr/lib/wine/wine64 ]] || command -v wine64 >/dev/null 2>&1 || missing+=(wine64)

if ((${#missing[@]})); then
    mapfile -t missing < <(printf '%s\n' "${missing[@]}" | sort -u)
    say "installing ${missing[*]}"
    [[ $(id -u) -eq 0 ]] || fail "not root: install ${missing[*]} with apt-get first"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q >"${TMPDIR:-/tmp}/windows-stage-apt.log" 2>&1 ||
        { cat "${TMPDIR:-/tmp}/windows-stage-apt.log" >&2; fail "apt-get update"; }
    apt-get install -y -q --no-install-recommends "${missing[@]}" \
        >>"${TMPDIR:-/tmp}/windows-stage-apt.log" 2>&1 ||
        { tail -30 "${TMPDIR:-/tmp}/windows-stage-apt.log" >&2; fail "apt-get install"; }
    say "installed"
else
    say "cross compiler, Wine and GoogleTest sources present"
fi

# --- 2. Configure and build -------------------------------------------------
export WINEPREFIX=$build/wineprefix
export WINEDEBUG=fixme-all,err-all,err+module  # keeps the loader's errors
export WINEDLLOVERRIDES="mscoree,mshtml="        # no Mono or Gecko installer prompts
export WINEARCH=win64

say "configuring $build"
mkdir -p "$build"
cmake -S "$root" -B "$build" -G "$(cmake_generator)" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DBOARDTOOL_WINEPREFIX="$WINEPREFIX" >"$build/configure.log" 2>&1 ||
    { cat "$build/configure.log" >&2; fail "configure"; }

say "building with $jobs jobs"
cmake --build "$build" -j "$jobs" || fail "build"

# --- 3. Wine ----------------------------------------------------------------
# A cold Wine costs seconds per process and can stall CTest: create the
# prefix once, wait until its setup is done, then keep one server running
# for the whole test run.
stop_wine() {
    if wineserver -k >/dev/null 2>&1; then
        say "Wine server stopped"
    fi
}
trap stop_wine EXIT

if [[ ! -f $WINEPREFIX/system.reg ]]; then
    say "creating the Wine prefix $WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    timeout 300 wineboot -i >"$build/wineboot.log" 2>&1 ||
        { cat "$build/wineboot.log" >&2; fail "wineboot -i"; }
fi
timeout 300 wineserver -w || fail "waiting for the Wine prefix's setup"
wineserver -p || fail "starting a persistent Wine server"
# The first program of a session also starts Wine's own background services,
# which would inherit CTest's output pipes and hold them open: start them
# now, away from CTest, and the persistent server keeps them.
timeout 120 wine cmd.exe /c exit 0 </dev/null >/dev/null 2>&1 || fail "starting Wine's services"
say "Wine server running"

# --- 4. Tests ---------------------------------------------------------------
say "running the tests under Wine"
status=0
ctest --test-dir "$build" --output-on-failure --no-tests=error --timeout 300 -j "$jobs" "$@" ||
    status=$?
if ((status)); then
    fail "tests (ctest exit $status)"
fi
say "all done"
