#!/usr/bin/env bash
# Starts and stops one scripted test server (tests/servers/scripted_*.py,
# http_server.py) with its state in a folder of its own.
#   tools/scripted.sh start ftp <statedir> <script> [address]
#       scripted FTP server on <address>:21 (default 127.0.0.3)
#   tools/scripted.sh start http <statedir> <script>
#       scripted HTTP server on 127.0.0.1, its port written to <statedir>/port
#   tools/scripted.sh start https <statedir> <script> <certname>
#       the same over TLS with $ORB_TEST_CA_DIR/<certname>.pem and .key
#       (made by tests/servers/make_test_ca.sh)
#   tools/scripted.sh stop <statedir>
# The script is copied to <statedir>/script.json, which the server reads
# again for each connection (a test may rewrite it between cases); what the
# server receives goes to <statedir>/transcript.txt, files stored to it to
# <statedir>/.
set -u
here=$(cd "$(dirname "$0")" && pwd)
servers=$here/../tests/servers
. "$servers/server_lib.sh"
usage() {
  echo "usage: $0 start ftp|http <statedir> <script> [address] | start https <statedir> <script> <certname> | stop <statedir>" >&2
  exit 2
}

case ${1:-} in
  start)
    [ $# -ge 4 ] || usage
    kind=$2 state=$3 script=$4 address=${5:-}
    [ -f "$script" ] || { echo "no script file: $script" >&2; exit 1; }
    tls=()
    if [ "$kind" = https ]; then
      certname=${5:-}
      [ -n "$certname" ] || usage
      [ -n "${ORB_TEST_CA_DIR:-}" ] || { echo "https needs ORB_TEST_CA_DIR" >&2; exit 1; }
      cert=$ORB_TEST_CA_DIR/$certname
      [ -f "$cert.pem" ] && [ -f "$cert.key" ] || { echo "no certificate $cert.pem/.key" >&2; exit 1; }
      tls=(--cert "$cert.pem" --key "$cert.key")
    fi
    mkdir -p "$state"
    state=$(cd "$state" && pwd)
    srv_stop "$state/server"
    rm -f "$state/transcript.txt"
    cp "$script" "$state/script.json"
    : >"$state/transcript.txt"
    case $kind in
      ftp)
        address=${address:-127.0.0.3}
        srv_start "$state/server" "file:$state/ready" /usr/bin/python3 "$servers/scripted_ftp.py" \
          --address "$address" --port 21 --script "$state/script.json" \
          --transcript "$state/transcript.txt" --ready "$state/ready" || exit 1
        echo "scripted FTP server on $address:21 ($state)"
        ;;
      http|https)
        srv_start "$state/server" "file:$state/port" /usr/bin/python3 "$servers/http_server.py" \
          --script "$state/script.json" --transcript "$state/transcript.txt" \
          --portfile "$state/port" "${tls[@]}" || exit 1
        echo "scripted ${kind^^} server on 127.0.0.1:$(cat "$state/port") ($state)"
        ;;
      *) usage ;;
    esac
    ;;
  stop)
    [ $# -ge 2 ] || usage
    [ -d "$2" ] || exit 0
    srv_stop "$2/server"
    ;;
  *) usage ;;
esac
