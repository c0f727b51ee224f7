#!/usr/bin/env bash
# Starts and stops a tinyproxy World Wide Web proxy for the tests.
#   tools/tinyproxy.sh start <statedir>   listens on 127.0.0.1, a free port
#                                         written to <statedir>/port
#   tools/tinyproxy.sh stop <statedir>
# It runs in the foreground mode (-d) under setsid, its pid in <statedir>/pid.
set -u
usage() { echo "usage: $0 start|stop <statedir>" >&2; exit 2; }
[ $# -eq 2 ] || usage
state=$2

alive() {  # pid: still our tinyproxy (not a zombie, not a reused pid)
  [ -n "$1" ] && kill -0 "$1" 2>/dev/null || return 1
  local stat; stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
  stat=${stat##*) }
  [ "${stat%% *}" != Z ] || return 1
  tr '\0' ' ' <"/proc/$1/cmdline" 2>/dev/null | grep -q "tinyproxy.*$state/tinyproxy.conf"
}

stop() {
  [ -f "$state/pid" ] || return 0
  local pid; read -r pid <"$state/pid" || pid=""
  rm -f "$state/pid"
  alive "$pid" || return 0
  kill -TERM "$pid" 2>/dev/null
  for _ in $(seq 50); do alive "$pid" || return 0; sleep 0.1; done
  kill -KILL "$pid" 2>/dev/null
}

case $1 in
  start)
    mkdir -p "$state"
    state=$(cd "$state" && pwd)
    stop
    rm -f "$state/port"
    port=$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
    user=$(id -un); group=$(id -gn)
    cat >"$state/tinyproxy.conf" <<CONF
User $user
Group $group
Port $port
Listen 127.0.0.1
Timeout 30
MaxClients 20
Allow 127.0.0.1
LogLevel Info
LogFile "$state/tinyproxy.log"
DisableViaHeader Yes
CONF
    : >"$state/tinyproxy.log"
    setsid /usr/bin/tinyproxy -d -c "$state/tinyproxy.conf" </dev/null >"$state/tinyproxy.out" 2>&1 &
    echo $! >"$state/pid"
    for _ in $(seq 150); do
      if ! alive "$(cat "$state/pid")"; then
        echo "tinyproxy exited during start" >&2; cat "$state/tinyproxy.out" "$state/tinyproxy.log" >&2
        rm -f "$state/pid"; exit 1
      fi
      if timeout 2 bash -c "exec 3<>/dev/tcp/127.0.0.1/$port" 2>/dev/null; then
        echo "$port" >"$state/port"
        echo "tinyproxy on 127.0.0.1:$port ($state)"
        exit 0
      fi
      sleep 0.1
    done
    echo "tinyproxy not ready" >&2; stop; exit 1
    ;;
  stop) [ -d "$state" ] || exit 0; state=$(cd "$state" && pwd); stop ;;
  *) usage ;;
esac
