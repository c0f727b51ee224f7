#!/usr/bin/env bash
# Starts and stops the real FTP server of the Windows tests.
#   tools/servers.sh start <statedir>   pyftpdlib on 127.0.0.2:21 serving
#                                       <statedir>/ftproot (fresh fixture files)
#   tools/servers.sh stop <statedir>    stops what start started
# Users: anonymous (any password) and alice/secret; both may write.
# ORB_FTP_ADDRESS overrides the address (port 21 always); ORB_FTP_THROTTLE
# limits each data connection (bytes per second); ORB_FTP_ANNOUNCE=1 names
# the size in the reply to RETR; ORB_FTP_SPARSE=1 stores zeros as holes;
# ORB_FTP_HOMES=1 gives each user an area of its own (ftp_server.py
# --homes), each with a pub/report.txt that names whose it is.
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../tests/servers/server_lib.sh"

cmd=${1:-}
state=${2:-}
[ -n "$cmd" ] && [ -n "$state" ] || { echo "usage: $0 start|stop <statedir>" >&2; exit 2; }
address=${ORB_FTP_ADDRESS:-127.0.0.2}

make_ftproot() {  # root
  local root=$1
  rm -rf "$root"
  mkdir -p "$root/pub/docs"
  printf 'OrbNet test file a.txt\r\nsecond line\r\n' >"$root/pub/a.txt"
  : >"$root/pub/empty.bin"
  printf 'x' >"$root/pub/one.bin"
  printf 'A document in a nested folder.\r\n' >"$root/pub/docs/b.txt"
  printf 'File at the root of the server.\r\n' >"$root/readme.txt"
  if [ -n "${ORB_FTP_HOMES:-}" ]; then
    local area
    for area in public home/alice home/carol; do
      mkdir -p "$root/$area/pub"
      printf 'The report of %s.\r\n' "${area#home/}" >"$root/$area/pub/report.txt"
    done
  fi
}

case $cmd in
  start)
    mkdir -p "$state"
    state=$(cd "$state" && pwd)
    srv_stop "$state/ftp"
    make_ftproot "$state/ftproot"
    # Ready once it wrote its pid (after binding): a probe could reach
    # another run's server on the same address.
    srv_start "$state/ftp" "file:$state/ftp.ready" /usr/bin/python3 "$here/../tests/servers/ftp_server.py" \
      --address "$address" --port 21 --root "$state/ftproot" --log "$state/ftp.log" \
      --pidfile "$state/ftp.ready" --throttle "${ORB_FTP_THROTTLE:-0}" \
      ${ORB_FTP_ANNOUNCE:+--announce-size} ${ORB_FTP_SPARSE:+--sparse} ${ORB_FTP_HOMES:+--homes} || exit 1
    echo "$address" >"$state/ftp_address"
    echo "FTP server on $address:21, root $state/ftproot"
    ;;
  stop)
    [ -d "$state" ] || exit 0
    srv_stop "$state/ftp"
    ;;
  *) echo "usage: $0 start|stop <statedir>" >&2; exit 2 ;;
esac
