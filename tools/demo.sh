#!/usr/bin/env bash
# The main job: builds the library, starts a local FTP server and a local
# HTTP server with a few documents, and moves files through the library with
# nethost.exe as a host application would: retrieves by FTP, HTTP and
# https, stores one file and several files, and checks each file that
# arrived against its source.
#   tools/demo.sh [--screenshot]
# With --screenshot, or when no display is set, the password prompt and the
# progress window are saved as PNG pictures under build/demo/screenshots.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
screenshot=0
[ "${1:-}" = --screenshot ] && screenshot=1
[ -z "${DISPLAY:-}" ] && screenshot=1
"$root/tools/setup.sh"
. "$root/tools/winenv.sh"
. "$root/tests/servers/server_lib.sh"
win=$("$root/tools/build.sh")

demo=$ORB_BUILD/demo
address=127.0.0.7   # the FTP server's own loopback address (port 21)
rm -rf "$demo"
mkdir -p "$demo/ftproot/docs" "$demo/ftproot/incoming/more" "$demo/web" "$demo/local" "$demo/out" \
  "$demo/screenshots"

# Sample documents.
printf 'Quarterly report\r\n\r\nSales rose in every region.\r\n' >"$demo/ftproot/docs/report.txt"
head -c 3000000 /dev/urandom >"$demo/ftproot/docs/slides.bin"
printf '<html><head><title>OrbNet</title></head><body><p>Welcome.</p></body></html>\n' >"$demo/web/index.htm"
head -c 200000 /dev/urandom >"$demo/web/paper.pdf"
printf 'Dear reader,\r\nthis letter was stored by OrbNet.\r\n' >"$demo/local/letter.txt"
printf 'Notes for the meeting.\r\n' >"$demo/local/notes.txt"
head -c 1000000 /dev/urandom >"$demo/local/budget.bin"

stop_all() {
  srv_stop "$demo/ftp"
  srv_stop "$demo/http"
  srv_stop "$demo/https"
  wine_stop
}
trap stop_all EXIT
# Data connections limited to about 1 MB/s, so that the progress window is
# seen; the reply to RETR names the size, as vsftpd and ProFTPD do.
srv_start "$demo/ftp" "file:$demo/ftp.ready" /usr/bin/python3 "$root/tests/servers/ftp_server.py" \
  --address "$address" --port 21 --root "$demo/ftproot" --log "$demo/ftp.log" --pidfile "$demo/ftp.ready" \
  --throttle 1000000 --announce-size
srv_start "$demo/http" "file:$demo/http.port" /usr/bin/python3 "$root/tests/servers/static_http.py" \
  --root "$demo/web" --portfile "$demo/http.port"
port=$(cat "$demo/http.port")
# The same documents by https, with a certificate for localhost from a test
# authority made for this run (trusted in this Wine prefix in step 13).
bash "$root/tests/servers/make_test_ca.sh" "$demo/tls" >/dev/null
srv_start "$demo/https" "file:$demo/https.port" /usr/bin/python3 "$root/tests/servers/static_http.py" \
  --root "$demo/web" --portfile "$demo/https.port" --cert "$demo/tls/localhost.pem" --key "$demo/tls/localhost.key"
sport=$(cat "$demo/https.port")
wine_start
echo "== FTP server ftp://$address/ (users anonymous, alice/secret), HTTP server http://127.0.0.1:$port/," \
  "https://localhost:$sport/"
echo "== OrbNetN01.dll through nethost.exe ($ORB_TEST_ARCH build) under Wine"

winpath() { local p=${1//\//\\}; echo "Z:$p"; }
unixpath() {  # a path nethost printed
  local p=${1//\\//}
  case $p in
    [Zz]:/*) echo "${p:2}" ;;
    [Cc]:/*) echo "$WINEPREFIX/drive_c/${p:3}" ;;
    *) echo "$p" ;;
  esac
}
sum() { sha256sum "$1" | cut -c1-16; }
failures=0
check() {  # label source copy
  if [ -f "$3" ] && cmp -s "$2" "$3"; then
    echo "   $1: intact (sha256 $(sum "$2")...)"
  else
    echo "   $1: DIFFERS from its source"
    failures=$((failures + 1))
  fi
}
nethost() {  # prints the library's answers; the output goes to $demo/last.out
  "$WINELOADER" "$win/nethost.exe" --answer ok "$@" 2>/dev/null | tr -d '\r' | tee "$demo/last.out" | sed 's/^/   /' \
    || true
}
result_of() { grep -oE "^$1: [0-9]+" "$demo/last.out" | tail -1 | grep -oE '[0-9]+$' || echo none; }
expect0() {  # export
  local r; r=$(result_of "$1")
  [ "$r" = 0 ] || { echo "   $1 ended with $r"; failures=$((failures + 1)); }
}

shots=()
[ $screenshot = 1 ] && shots=(--screenshots "$(winpath "$demo/screenshots")")

echo "-- 1. Retrieve ftp://$address/docs/report.txt (anonymous) into a named file"
nethost init code=en retrieve url="ftp://$address/docs/report.txt" local="$(winpath "$demo/out/report.txt")" clean
expect0 NETRetrieveFile
check "report.txt" "$demo/ftproot/docs/report.txt" "$demo/out/report.txt"

echo "-- 2. Retrieve a 3 MB file as alice, passive, whose password is asked for (typed: secret)"
nethost --password secret "${shots[@]}" init code=en \
  retrieve url="ftp://$address/docs/slides.bin" local="$(winpath "$demo/out/slides.bin")" login=alice::1 clean
expect0 NETRetrieveFile
check "slides.bin" "$demo/ftproot/docs/slides.bin" "$demo/out/slides.bin"

echo "-- 3. Retrieve http://127.0.0.1:$port/paper.pdf without a local name (a temporary file)"
nethost init code=en retrieve url="http://127.0.0.1:$port/paper.pdf" clean
expect0 NETRetrieveFile
temp=$(unixpath "$(grep -oE 'local=[^ ]*' "$demo/last.out" | head -1 | cut -d= -f2)")
echo "   written: $temp"
check "paper.pdf" "$demo/web/paper.pdf" "$temp"
rm -f "$temp"

echo "-- 4. Retrieve 127.0.0.1:$port/index.htm (no scheme: HTTP); a page is saved with its type in front"
nethost init code=en retrieve url="127.0.0.1:$port/index.htm" local="$(winpath "$demo/out/index.htm")" clean
expect0 NETRetrieveFile
end=$(grep -ob '>' "$demo/out/index.htm" | head -1 | cut -d: -f1 || true)
head -c $((end + 1)) "$demo/out/index.htm" | sed 's/^/   /'; echo
tail -c +$((end + 2)) "$demo/out/index.htm" >"$demo/out/index.body"
check "index.htm after its type line" "$demo/web/index.htm" "$demo/out/index.body"

echo "-- 5. Store letter.txt as ftp://$address/incoming/letter.txt (alice, passive)"
nethost init code=en store url="ftp://$address/incoming/letter.txt" local="$(winpath "$demo/local/letter.txt")" \
  login=alice:secret:1 clean
expect0 NETStoreFile
check "incoming/letter.txt" "$demo/local/letter.txt" "$demo/ftproot/incoming/letter.txt"

echo "-- 6. Store two files at once (alice, active): one into /incoming, one into /incoming/more"
nethost init code=en store-many url="ftp://$address/incoming" \
  files="$(winpath "$demo/local/notes.txt")|/incoming/more>$(winpath "$demo/local/budget.bin")" \
  login=alice:secret:0 clean
expect0 NETStoreMultipleFiles
check "incoming/notes.txt" "$demo/local/notes.txt" "$demo/ftproot/incoming/notes.txt"
check "incoming/more/budget.bin" "$demo/local/budget.bin" "$demo/ftproot/incoming/more/budget.bin"

echo "-- 7. A file the server does not have: the user is told, nothing is left behind"
nethost init code=en retrieve url="ftp://$address/docs/missing.txt" local="$(winpath "$demo/out/missing.txt")" clean
r=$(result_of NETRetrieveFile)
if [ "$r" = 2 ] && [ ! -e "$demo/out/missing.txt" ]; then
  echo "   result 2, no file written"
else
  echo "   expected result 2 and no file, got $r"; failures=$((failures + 1))
fi

echo "-- 8. The Open dialog: a person connects to the server, enters docs, picks report.txt and opens it"
"$WINELOADER" "$win/nethost.exe" add-host n=1 desc="Demo server" host=$address user=alice password=secret \
  flags=12 2>/dev/null | tr -d '\r' | sed 's/^/   /'
nethost "${shots[@]}" init code=en \
  open flags=1 script="ftp;host=Demo server;enter=docs;pick=report.txt;shot=open_ftp;action" clean
expect0 NETOpen
temp=$(unixpath "$(grep -oE 'local=[^ ]*' "$demo/last.out" | tail -1 | cut -d= -f2)")
check "report.txt through the Open dialog" "$demo/ftproot/docs/report.txt" "$temp"
rm -f "$temp"

echo "-- 9. The Open dialog on the World Wide Web: the address typed without its scheme"
nethost "${shots[@]}" init code=en open flags=1 script="web;url=127.0.0.1:$port/paper.pdf;shot=open_web;action" clean
expect0 NETOpen
temp=$(unixpath "$(grep -oE 'local=[^ ]*' "$demo/last.out" | tail -1 | cut -d= -f2)")
check "paper.pdf through the Open dialog" "$demo/web/paper.pdf" "$temp"
rm -f "$temp"

echo "-- 10. Save As: a new folder \"reports 2026\", letter.txt stored into it; the host adds notes.txt"
nethost "${shots[@]}" init code=en \
  saveas local="$(winpath "$demo/local/letter.txt")" prepare="$(winpath "$demo/local/notes.txt")" \
  script="host=Demo server;folder=reports 2026;enter=reports 2026;type=letter.txt;shot=save_as;action" clean
expect0 NETSaveAs
check "reports 2026/letter.txt" "$demo/local/letter.txt" "$demo/ftproot/reports 2026/letter.txt"
check "reports 2026/notes.txt" "$demo/local/notes.txt" "$demo/ftproot/reports 2026/notes.txt"

echo "-- 11. The directory browser, modeless: a directory chosen, the same browser again where it was left, closed"
before=$(grep -c "logged in" "$demo/ftp.log" || true)
nethost "${shots[@]}" init code=en \
  browse-dir start="ftp://$address/" prompt="Where should the reports go?" modeless=1 \
    script="wait;enter=incoming;action" \
  browse-dir modeless=1 script="wait;shot=browse_directory;action" close-browse-dir clean
r=$(grep -c "^NETBrowseDirectory: 0 url=ftp://$address/incoming/ " "$demo/last.out" || true)
if [ "$r" = 2 ]; then
  echo "   both runs returned ftp://$address/incoming/"
else
  echo "   expected two runs returning ftp://$address/incoming/"; failures=$((failures + 1))
fi
logins=$(( $(grep -c "logged in" "$demo/ftp.log" || true) - before ))
if [ "$logins" = 1 ]; then
  echo "   one login for both runs: the browser kept its connection"
else
  echo "   expected one login for both runs, the server saw $logins"; failures=$((failures + 1))
fi

echo "-- 12. NETOptions: the Options dialog; from it the host dialog, and from that the FTP proxies"
nethost "${shots[@]}" init code=en \
  options script="waitfor=options;shot=options_dialog;click=1051;waitfor=hosts;shot=host_dialog;click=1021;click=1061;waitfor=proxies;shot=proxy_dialog;click=2;waitfor=hosts;click=2;waitfor=options;click=1" \
  clean
expect0 NETOptions

echo "-- 13. https: the run's test authority made a trusted root of this Wine prefix; paper.pdf by"
echo "   https://localhost:$sport/, then the same server as https://127.0.0.1:$sport/ (not the name it proves)"
"$WINELOADER" "$win/nethost.exe" trust-ca pem="$(winpath "$demo/tls/ca.pem")" 2>/dev/null | tr -d '\r' | sed 's/^/   /'
nethost init code=en retrieve url="https://localhost:$sport/paper.pdf" local="$(winpath "$demo/out/secure.pdf")" clean
expect0 NETRetrieveFile
check "paper.pdf by https" "$demo/web/paper.pdf" "$demo/out/secure.pdf"
nethost init code=en retrieve url="https://127.0.0.1:$sport/paper.pdf" local="$(winpath "$demo/out/impostor.pdf")" \
  clean
r=$(result_of NETRetrieveFile)
if [ "$r" = 2 ] && [ ! -e "$demo/out/impostor.pdf" ]; then
  echo "   result 2, the server refused for its certificate's name, no file written"
else
  echo "   expected result 2 and no file, got $r"; failures=$((failures + 1))
fi

if [ $screenshot = 1 ]; then
  for bmp in "$demo"/screenshots/*.bmp; do
    [ -f "$bmp" ] || continue
    if command -v convert >/dev/null; then
      convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
    fi
  done
  echo "== screenshots:"
  ls -1 "$demo"/screenshots/ | sed "s|^|   $demo/screenshots/|"
fi

if [ $failures = 0 ]; then
  echo "== every file arrived intact"
else
  echo "== $failures check(s) failed"
  exit 1
fi
