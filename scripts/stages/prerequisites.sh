#!/usr/bin/env bash
# Checks for the tools the build needs and installs the missing ones with
# apt-get when run as root; otherwise names the packages and stops.
#   prerequisites.sh           what building the tool needs (cmake, g++, ninja or make)
#   prerequisites.sh --tests   also clang++ and GoogleTest, for the test stages
set -euo pipefail

missing=()
need_command() {  # command, package
  command -v "$1" > /dev/null 2>&1 || missing+=("$2")
}

need_command cmake cmake
need_command g++ g++
if ! command -v ninja > /dev/null 2>&1 && ! command -v make > /dev/null 2>&1; then
  missing+=(ninja-build)
fi
if [[ "${1:-}" == "--tests" ]]; then
  need_command clang++ clang
  if [[ ! -f /usr/include/gtest/gtest.h ]] ||
     ! ls /usr/lib/*/libgtest.a /usr/lib/libgtest.a > /dev/null 2>&1; then
    missing+=(libgtest-dev)
  fi
fi

if (( ${#missing[@]} > 0 )); then
  if [[ $(id -u) -eq 0 ]] && command -v apt-get > /dev/null 2>&1; then
    echo "Installing missing packages: ${missing[*]}"
    apt-get update
    DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
  else
    echo "Missing packages: ${missing[*]}" >&2
    echo "Install them with:  sudo apt-get install ${missing[*]}" >&2
    exit 1
  fi
fi

# CMake 3.20 or newer.
version=$(cmake --version | head -n 1 | sed 's/[^0-9.]*\([0-9.]*\).*/\1/')
major=${version%%.*}
minor=${version#*.}
minor=${minor%%.*}
if (( major < 3 || (major == 3 && minor < 20) )); then
  echo "CMake $version is too old: 3.20 or newer is needed." >&2
  exit 1
fi
echo "Prerequisites present (cmake $version)."
