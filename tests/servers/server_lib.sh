# Sourced by tools/servers.sh and tools/scripted.sh: start a test server in
# the background and stop it again, by the pid it recorded.
#   srv_start <prefix> <ready> <command...>
#     runs the command detached (stdin from /dev/null, output to
#     <prefix>.out) with its pid in <prefix>.pid, then waits at most
#     ORB_SERVER_WAIT seconds (default 15) until it is ready: <ready> is
#     file:<path>, a file the server writes once it listens. On failure it
#     stops the server and prints why.
#   srv_stop <prefix>
#     ends the process named in <prefix>.pid (TERM, then KILL), if it is
#     still the one started; quiet when it is already gone.

srv_alive() {  # pid (a zombie counts as gone)
  [ -n "$1" ] && kill -0 "$1" 2>/dev/null || return 1
  local stat; stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
  stat=${stat##*) }
  [ "${stat%% *}" != Z ]
}

srv_start() {
  local prefix=$1 ready=$2; shift 2
  rm -f "$prefix.pid" "$prefix.out"
  rm -f "${ready#file:}"
  setsid "$@" </dev/null >"$prefix.out" 2>&1 &
  local pid=$!
  echo "$pid" >"$prefix.pid"
  local limit=$(( ${ORB_SERVER_WAIT:-15} * 10 )) i=0
  while [ $i -lt $limit ]; do
    if ! srv_alive "$pid"; then
      echo "server exited during start: $*" >&2
      tail -n 20 "$prefix.out" >&2
      rm -f "$prefix.pid"
      return 1
    fi
    [ -s "${ready#file:}" ] && return 0
    sleep 0.1
    i=$((i + 1))
  done
  echo "server not ready after ${ORB_SERVER_WAIT:-15}s ($ready): $*" >&2
  tail -n 20 "$prefix.out" >&2
  srv_stop "$prefix"
  return 1
}

srv_stop() {
  local prefix=$1 pid
  [ -f "$prefix.pid" ] || return 0
  read -r pid <"$prefix.pid" || pid=""
  rm -f "$prefix.pid"
  # Only a process still running one of these servers (the pid may be reused).
  if srv_alive "$pid" && tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -q 'tests/servers/'; then
    kill -TERM "$pid" 2>/dev/null
    local i=0
    while srv_alive "$pid" && [ $i -lt 50 ]; do sleep 0.1; i=$((i + 1)); done
    srv_alive "$pid" && kill -KILL "$pid" 2>/dev/null
  fi
  return 0
}
