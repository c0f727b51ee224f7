#!/usr/bin/env bash
# Builds the product (32-bit) and, where this kernel cannot run 32-bit
# programs, the same sources for 64-bit Windows for the tests under Wine.
#   tools/build.sh            both builds as needed
# Prints the folder of the Windows build the tests use.
set -euo pipefail
. "$(dirname "$0")/winenv.sh"
jobs=${ORB_JOBS:-2}
build_win() {  # arch folder [cmake options]
  local arch=$1 dir=$2; shift 2
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S "$ORB_ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=Release "$@" \
      -DCMAKE_TOOLCHAIN_FILE="$ORB_ROOT/cmake/mingw-$arch.cmake" >"$dir.configure.log" 2>&1 \
      || { cat "$dir.configure.log" >&2; exit 1; }
  fi
  cmake --build "$dir" -j"$jobs" >&2
}
mkdir -p "$ORB_BUILD"
# The 32-bit build carries the test programs only where they can run.
if [ "$ORB_TEST_ARCH" = i686 ]; then tests=ON; else tests=OFF; fi
build_win i686 "$ORB_BUILD/win32" -DORB_WIN_TESTS=$tests
"$ORB_ROOT/tools/check_dll.sh" "$ORB_BUILD/win32/OrbNetN01.dll" >&2
if [ "$ORB_TEST_ARCH" = x86_64 ]; then
  build_win x86_64 "$ORB_BUILD/win64"
  echo "$ORB_BUILD/win64"
else
  echo "$ORB_BUILD/win32"
fi
