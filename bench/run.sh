#!/usr/bin/env bash
# Transfer speed of the library against Wine's WinINet and native curl, over
# FTP (passive and active, receive and store), HTTP and HTTPS (receive), with
# real servers on loopback: vsftpd on 127.0.0.9:21 and nginx on two ports of
# 127.0.0.1, the second with TLS and a certificate for localhost from a test
# certificate authority made for the run and trusted in the bench's Wine
# prefix only.
#
#   bench/run.sh [--runs N] [--sizes 1M,64M,256M] [--quick] [--timeout S] [--budget MIN]
#                [--nethost PATH] [--arch i686|x86_64] [--keep]
#
#   --runs N      runs per figure (default 5)
#   --sizes LIST  file sizes to transfer (default 1M,64M,256M; a 1-byte file
#                 is always transferred too, for the fixed cost)
#   --quick       1M,64M with 3 runs
#   --timeout S   longest single transfer in seconds (default 180)
#   --budget MIN  minutes for all measurements; what is left is reported as
#                 skipped (default 12)
#   --nethost P   time the library of another build: P is its nethost.exe,
#                 beside its DLLs (default: build this tree's)
#   --arch A      i686: the 32-bit build under 32-bit Wine, as a host
#                 application loads it; x86_64: the 64-bit build under 64-bit
#                 Wine. Default: i686 where this kernel runs 32-bit programs.
#                 The library and the WinINet client run the same one.
#   --keep        keep the scratch folder (servers' logs and files)
#
# Installs what it needs, builds into build-bench/ (never build/), prints one
# table and writes it to build-bench/bench/results.txt; every run's command
# and output go to build-bench/bench/log.txt. A benchmark: it prints figures
# and judges nothing, apart from a file that differs from its source.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
python=/usr/bin/python3

usage() { sed -n '2,/^set -euo/{/^set -euo/d;s/^# \{0,1\}//;p}' "$0"; }

runs=5 sizes=1M,64M,256M timeout=180 budget=12 keep=0 nethost="" arch=""
while [ $# -gt 0 ]; do
  case $1 in
    --runs) runs=${2:?--runs needs a number}; shift 2 ;;
    --sizes) sizes=${2:?--sizes needs a list}; shift 2 ;;
    --quick) runs=3 sizes=1M,64M; shift ;;
    --timeout) timeout=${2:?--timeout needs seconds}; shift 2 ;;
    --budget) budget=${2:?--budget needs minutes}; shift 2 ;;
    --nethost) nethost=$(realpath "${2:?--nethost needs a path}"); shift 2 ;;
    --arch) arch=${2:?--arch needs i686 or x86_64}; shift 2 ;;
    --keep) keep=1; shift ;;
    -h|--help) usage; exit 0 ;;
    *) echo "bench: unknown argument $1" >&2; usage >&2; exit 2 ;;
  esac
done
[ -x "$python" ] || { echo "bench: $python is missing" >&2; exit 1; }
# vsftpd on port 21 and anonymous sessions as the user ftp need root.
[ "$(id -u)" -eq 0 ] || { echo "bench: run as root" >&2; exit 1; }
measure_args=(--runs "$runs" --sizes "$sizes" --timeout "$timeout" --budget "$budget")
"$python" "$here/bench.py" --check-args "${measure_args[@]}"

# Our own build folder, whatever the caller's environment says; the 32-bit
# build where 32-bit programs run, as the tests do.
if [ -z "$arch" ]; then
  if /usr/lib/wine/wine --version >/dev/null 2>&1; then arch=i686; else arch=x86_64; fi
fi
case $arch in
  i686) bits=32 ;;
  x86_64) bits=64 ;;
  *) echo "bench: --arch is i686 or x86_64, not $arch" >&2; exit 2 ;;
esac
export ORB_BUILD=$root/build-bench ORB_TEST_ARCH=$arch
out=$ORB_BUILD/bench
mkdir -p "$out"
# The build folder is scratch: keep it out of git's view.
[ -f "$ORB_BUILD/.gitignore" ] || echo '*' >"$ORB_BUILD/.gitignore"

# ---- packages ----------------------------------------------------------------
"$root/tools/setup.sh"
need=()
for p in vsftpd nginx curl time openssl; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
  echo "bench: installing ${need[*]}" >&2
  apt-get update -q >&2 || true   # one i386 index may fail
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q -t bookworm --no-install-recommends \
    -o DPkg::Lock::Timeout=600 "${need[@]}" >&2
  # Their packages may start system services; the bench runs its own.
  for s in vsftpd nginx; do
    case " ${need[*]} " in *" $s "*) service "$s" stop >/dev/null 2>&1 || true ;; esac
  done
fi

# ---- build -------------------------------------------------------------------
. "$root/tools/winenv.sh"
win=$ORB_BUILD/win$bits
library=yes
if [ -n "$nethost" ]; then
  [ -f "$nethost" ] || { echo "bench: $nethost does not exist" >&2; exit 1; }
else
  nethost=$win/nethost.exe
  echo "bench: building the library into $win" >&2
  # As tools/build.sh configures the Windows build, without the test programs.
  if [ ! -f "$win/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$win" -DCMAKE_BUILD_TYPE=Release -DORB_WIN_TESTS=OFF \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$arch.cmake" >"$win.configure.log" 2>&1 \
      || { cat "$win.configure.log" >&2; exit 1; }
  fi
  if ! cmake --build "$win" -j"${ORB_JOBS:-2}" --target OrbNetN01 orbntenn1 nethost >"$out/build.log" 2>&1; then
    tail -n 30 "$out/build.log" >&2
    echo "bench: the library does not build (see $out/build.log); its column shows 'failed'" >&2
    library=no
  fi
fi
wininet=$out/wininet_client$bits.exe
# With the tests' code that trusts the test certificate authority.
wininet_src=("$here/wininet_client.cpp" "$root/tests/win/test_ca.cpp")
rebuild=0
[ -f "$wininet" ] || rebuild=1
for f in "${wininet_src[@]}"; do
  [ -f "$f" ] || { echo "bench: $f is missing" >&2; exit 1; }
  if [ "$f" -nt "$wininet" ]; then rebuild=1; fi
done
if [ "$rebuild" = 1 ]; then
  $arch-w64-mingw32-g++ -O2 -Wall -Wextra -Werror -static -static-libgcc -static-libstdc++ \
    -I"$root/tests/win" -o "$wininet" "${wininet_src[@]}" -lwininet -lcrypt32
fi

# ---- servers -----------------------------------------------------------------
scratch=$(mktemp -d /tmp/orbbench.XXXXXX)
chmod 755 "$scratch"
ftp_pid="" http_pid="" desktop_pid=""
cleanup() {
  set +e
  [ -n "$desktop_pid" ] && kill "$desktop_pid" 2>/dev/null && wait "$desktop_pid" 2>/dev/null
  [ -n "$ftp_pid" ] && kill "$ftp_pid" 2>/dev/null && wait "$ftp_pid" 2>/dev/null
  if [ -n "$http_pid" ]; then
    kill -QUIT "$http_pid" 2>/dev/null; wait "$http_pid" 2>/dev/null
  fi
  wine_stop
  if [ "$keep" = 1 ]; then echo "bench: scratch folder kept: $scratch" >&2; else rm -rf "$scratch"; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

files=$scratch/root            # served by both servers
mkdir -p "$files/upload" "$scratch/received" "$scratch/empty" "$scratch/nginx"
chmod 755 "$files" "$scratch/empty"
chown ftp:ftp "$files/upload"   # anonymous sessions write as the user ftp
echo "bench: creating the files in $files" >&2
"$python" "$here/bench.py" --make-files --root "$files" "${measure_args[@]}"

answers() {  # host port: something accepts there
  "$python" - "$1" "$2" <<'EOF'
import socket, sys
try:
    socket.create_connection((sys.argv[1], int(sys.argv[2])), timeout=1).close()
except OSError:
    sys.exit(1)
EOF
}

# Waits until something accepts on HOST PORT, while process PID lives.
wait_port() {  # host port pid what
  local _
  for _ in $(seq 100); do
    kill -0 "$3" 2>/dev/null || { echo "bench: $4 did not start" >&2; return 1; }
    if answers "$1" "$2"; then
      # Still alive: the answer was ours, not a server that held the port.
      sleep 0.2
      kill -0 "$3" 2>/dev/null && return 0
      echo "bench: $4 did not start" >&2
      return 1
    fi
    sleep 0.1
  done
  echo "bench: $4 does not answer on $1:$2" >&2
  return 1
}

ftp_host=127.0.0.9
cat >"$scratch/vsftpd.conf" <<EOF
listen=YES
listen_ipv6=NO
listen_address=$ftp_host
listen_port=21
background=NO
anonymous_enable=YES
no_anon_password=YES
anon_root=$files
local_enable=NO
write_enable=YES
anon_upload_enable=YES
anon_other_write_enable=YES
anon_umask=022
pasv_enable=YES
pasv_address=$ftp_host
port_enable=YES
# curl's --ftp-port $ftp_host announces an address other than the one the
# control connection comes from (127.0.0.1).
port_promiscuous=YES
connect_from_port_20=NO
secure_chroot_dir=$scratch/empty
seccomp_sandbox=NO
isolate=NO
isolate_network=NO
xferlog_enable=YES
xferlog_std_format=NO
vsftpd_log_file=$scratch/vsftpd.log
EOF
if answers "$ftp_host" 21; then
  echo "bench: something already listens on $ftp_host:21 (another bench run?)" >&2
  exit 1
fi
echo "bench: vsftpd on $ftp_host:21" >&2
vsftpd "$scratch/vsftpd.conf" </dev/null >"$scratch/vsftpd.out" 2>&1 &
ftp_pid=$!
wait_port "$ftp_host" 21 "$ftp_pid" vsftpd || { cat "$scratch/vsftpd.out" >&2; exit 1; }

# The test certificate authority and the server's certificate for localhost.
tls=$scratch/tls
"$root/tests/servers/make_test_ca.sh" "$tls" >"$scratch/make_test_ca.out" 2>&1 \
  || { cat "$scratch/make_test_ca.out" >&2; echo "bench: no test certificates" >&2; exit 1; }
for f in ca.pem localhost.pem localhost.key; do
  [ -s "$tls/$f" ] || { echo "bench: make_test_ca.sh made no $tls/$f" >&2; exit 1; }
done

# Two free ports at once, so that they differ.
read -r http_port https_port < <("$python" -c '
import socket
s = [socket.socket() for _ in range(2)]
for x in s: x.bind(("127.0.0.1", 0))
print(*(x.getsockname()[1] for x in s))')
n=$scratch/nginx
cat >"$n/nginx.conf" <<EOF
daemon off;
worker_processes 1;
pid $n/nginx.pid;
error_log $n/error.log;
events { worker_connections 64; }
http {
  access_log off;
  sendfile on;
  default_type application/octet-stream;
  client_body_temp_path $n/body;
  proxy_temp_path $n/proxy;
  fastcgi_temp_path $n/fastcgi;
  uwsgi_temp_path $n/uwsgi;
  scgi_temp_path $n/scgi;
  server {
    listen 127.0.0.1:$http_port;
    root $files;
  }
  server {
    listen 127.0.0.1:$https_port ssl;
    ssl_certificate $tls/localhost.pem;
    ssl_certificate_key $tls/localhost.key;
    root $files;
  }
}
EOF
echo "bench: nginx on 127.0.0.1:$http_port, HTTPS on 127.0.0.1:$https_port" >&2
nginx -p "$n" -c "$n/nginx.conf" -e "$n/error.log" </dev/null >"$n/nginx.out" 2>&1 &
http_pid=$!
wait_port 127.0.0.1 "$http_port" "$http_pid" nginx || { cat "$n/nginx.out" "$n/error.log" >&2; exit 1; }
wait_port 127.0.0.1 "$https_port" "$http_pid" nginx || { cat "$n/nginx.out" "$n/error.log" >&2; exit 1; }

# ---- Wine ----------------------------------------------------------------------
echo "bench: starting Wine ($WINEPREFIX)" >&2
wine_start
# Wine's desktop process ends soon after the last window closes, and the next
# program that opens a window starts it again: keep one window open for the
# whole run, as a Windows session always has its desktop, so that no client
# pays for that start.
"$WINELOADER" notepad </dev/null >/dev/null 2>&1 &
desktop_pid=$!

# This run's test certificate authority among the prefix's trusted roots (in
# place of an earlier run's), for WinINet and the library alike.
trusted=yes
if ! "$WINELOADER" "$wininet" --trust-ca "Z:${tls//\//\\}\\ca.pem" </dev/null >"$scratch/trust.out" 2>&1; then
  cat "$scratch/trust.out" >&2
  echo "bench: the test CA is not trusted in $WINEPREFIX; HTTPS under Wine will fail" >&2
  trusted=no
fi

[ "$library" = yes ] || nethost=$win/not-built/nethost.exe
version() { dpkg-query -W -f='${Version}' "$1" 2>/dev/null || echo "?"; }
commit=$(git -C "$root" rev-parse --short HEAD 2>/dev/null || echo "?")
if [ -n "$(GIT_OPTIONAL_LOCKS=0 git -C "$root" status --porcelain --untracked-files=no 2>/dev/null)" ]; then
  commit="$commit + uncommitted changes"
fi
header="OrbNet transfer benchmark, $(date -u '+%Y-%m-%d %H:%M UTC'), commit $commit
machine: $(nproc) cores, $(sed -n 's/^model name\s*: //p' /proc/cpuinfo | head -n 1), Linux $(uname -r)
clients: library ($nethost) and WinINet, both $bits-bit programs under $bits-bit Wine $($WINELOADER --version); native curl $(version curl)
servers: vsftpd $(version vsftpd) on $ftp_host:21, nginx $(version nginx) on 127.0.0.1:$http_port, HTTPS on localhost (127.0.0.1):$https_port with $(openssl version | cut -d' ' -f1-2); loopback
runs: $runs per figure, sizes: $sizes (MiB = 1048576 bytes)"
[ "$library" = yes ] || header="$header
NOTE: the library did not build; see $out/build.log"
[ "$trusted" = yes ] || header="$header
NOTE: the test CA could not be trusted in the Wine prefix: HTTPS under Wine fails"

echo "bench: measuring (each line: client, case, size)" >&2
"$python" "$here/bench.py" "${measure_args[@]}" --root "$files" --out "$scratch/received" \
  --scratch "$scratch" --ftp-host "$ftp_host" --http-port "$http_port" \
  --https-port "$https_port" --ca "$tls/ca.pem" \
  --wineloader "$WINELOADER" --nethost "$nethost" --wininet "$wininet" \
  --log "$out/log.txt" --results "$out/results.txt" --header "$header"
