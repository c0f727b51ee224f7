#!/usr/bin/env bash
# Runs one Windows program of the build under Wine (the test emulator).
# Expects the environment of tools/winenv.sh (DISPLAY, WINEPREFIX, WINELOADER).
set -u
if [ -z "${WINELOADER:-}" ]; then
  . "$(dirname "$0")/winenv.sh"
fi
exec "$WINELOADER" "$@"
