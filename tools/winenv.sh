# Sourced by the scripts: Wine prefix, display and server for running the
# Windows programs of the build.
#   ORB_BUILD      build folder (default: build/ in the repo)
#   ORB_TEST_ARCH  i686 or x86_64; default: i686 when this kernel runs 32-bit
#                  programs (32-bit Wine), else x86_64 (the same sources built
#                  for 64-bit Windows, run by 64-bit Wine)
ORB_ROOT=${ORB_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
ORB_BUILD=${ORB_BUILD:-$ORB_ROOT/build}
if [ -z "${ORB_TEST_ARCH:-}" ]; then
  if /usr/lib/wine/wine --version >/dev/null 2>&1; then ORB_TEST_ARCH=i686; else ORB_TEST_ARCH=x86_64; fi
fi
export ORB_ROOT ORB_BUILD ORB_TEST_ARCH
if [ "$ORB_TEST_ARCH" = i686 ]; then
  export WINELOADER=/usr/lib/wine/wine WINEARCH=win32
else
  export WINELOADER=/usr/lib/wine/wine64 WINEARCH=win64
fi
export WINEPREFIX=$ORB_BUILD/wineprefix-$ORB_TEST_ARCH
export WINEDEBUG=${WINEDEBUG:--all}
# No Gecko or Mono prompts; a crashing program ends at once instead of
# waiting in the crash debugger.
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
export WINESERVER=/usr/lib/wine/wineserver
ORB_XVFB_PID=""
ORB_KEEPER_FEED=""

# Starts Xvfb on a free display and one wineserver for the whole run.
wine_start() {
  mkdir -p "$ORB_BUILD"
  if [ -z "${DISPLAY:-}" ] || [ "${ORB_OWN_DISPLAY:-1}" = 1 ]; then
    local fifo; fifo=$(mktemp -u); mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    ORB_XVFB_PID=$!
    local num; read -r num <"$fifo"; rm -f "$fifo"
    export DISPLAY=":$num"
  fi
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    "$WINELOADER" wineboot -i >/dev/null 2>&1 || true
    "$WINESERVER" -w
  fi
  "$WINESERVER" -p
  # Without a window manager, managed windows make Wine wait two seconds for
  # each one that hides (every message box and dialog): keep them unmanaged.
  if ! grep -q '"Managed"="N"' "$WINEPREFIX/user.reg" 2>/dev/null; then
    "$WINELOADER" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
  fi
  # Start Wine's own services outside the test runner's pipes.
  "$WINELOADER" cmd /c exit </dev/null >/dev/null 2>&1 || true
  # Wine closes its desktop about a second after the last program that used
  # it has ended; the next program then starts a new desktop process inside
  # the test runner's pipes, and the runner waits for it (or dialogs cannot
  # be made while the old one goes). A console program that waits on a pipe
  # keeps the desktop for the whole run.
  local keeper="$ORB_BUILD/wine-keeper.fifo"
  rm -f "$keeper"
  mkfifo "$keeper"
  "$WINELOADER" cmd.exe /q /k <"$keeper" >/dev/null 2>&1 &
  sleep infinity >"$keeper" &
  ORB_KEEPER_FEED=$!
}

wine_stop() {
  # The keeper's input ends: it goes, then the rest.
  if [ -n "${ORB_KEEPER_FEED:-}" ]; then kill "$ORB_KEEPER_FEED" 2>/dev/null || true; fi
  ORB_KEEPER_FEED=""
  "$WINESERVER" -k >/dev/null 2>&1 || true
  if [ -n "$ORB_XVFB_PID" ]; then kill "$ORB_XVFB_PID" 2>/dev/null || true; wait "$ORB_XVFB_PID" 2>/dev/null || true; fi
  ORB_XVFB_PID=""
}
