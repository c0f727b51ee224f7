#!/usr/bin/env bash
# Builds everything and runs every test: the core natively under ASan/UBSan,
# each fuzz target for a few seconds, then the Windows tests under Wine with
# the real DLLs and real servers on loopback.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/setup.sh"
. "$root/tools/winenv.sh"
jobs=${ORB_JOBS:-2}

echo "== core include rule"
"$root/tools/check_core.sh"

echo "== dialog templates name their ids"
"$root/tools/check_rc_ids.py"

echo "== core tests (native, ASan/UBSan)"
native=$ORB_BUILD/native
if [ ! -f "$native/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$native" -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
fi
cmake --build "$native" -j"$jobs"
ctest --test-dir "$native" --output-on-failure -j"$jobs"

echo "== fuzz targets (a few seconds each)"
for fuzzer in "$native"/fuzz_*; do
  [ -x "$fuzzer" ] || continue
  name=$(basename "$fuzzer"); name=${name#fuzz_}
  corpus=$(mktemp -d)
  [ -d "$root/tests/fuzz/seeds/$name" ] && cp -r "$root/tests/fuzz/seeds/$name/." "$corpus/"
  # An input that fails is written beside the corpus, never into the tree.
  "$fuzzer" -max_total_time="${ORB_FUZZ_SECONDS:-5}" -print_final_stats=0 -artifact_prefix="$corpus." \
    "$corpus" >"$corpus.log" 2>&1 \
    || { tail -40 "$corpus.log"; echo "fuzz_$name failed (its input: $corpus.crash-*)"; exit 1; }
  echo "fuzz_$name: $(grep -oE 'Done [0-9]+ runs' "$corpus.log" | tail -1)"
  rm -rf "$corpus" "$corpus.log"
done

echo "== Windows build (product: 32-bit; tests run the $ORB_TEST_ARCH build)"
win=$("$root/tools/build.sh")

echo "== Windows tests under Wine"
trap wine_stop EXIT
wine_start
ctest --test-dir "$win" --output-on-failure
