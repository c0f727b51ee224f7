#!/usr/bin/env bash
# The main job: builds the library and calls it through nethost.exe as a
# host application would, printing what happened.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/setup.sh"
. "$root/tools/winenv.sh"
win=$("$root/tools/build.sh")
trap wine_stop EXIT
wine_start
echo "== nethost.exe ($ORB_TEST_ARCH build) under Wine"
"$WINELOADER" "$win/nethost.exe" --answer ok init code=enu available clean clean
