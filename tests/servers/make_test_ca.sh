#!/usr/bin/env bash
# Makes the certificates of the https tests in <dir>:
#   ca.pem, ca.key                "OrbNet Test CA" (the tests trust it)
#   localhost.pem, localhost.key  DNS:localhost, signed by the test CA
#   expired.pem, expired.key      the same name, valid 2020-01-01 to 2021-01-01
#   rogue_ca.pem                  "OrbNet Rogue CA" (never trusted)
#   untrusted.pem, untrusted.key  DNS:localhost, signed by the rogue CA
# Each server .pem holds the server certificate and then its CA's.
# Nothing is done while <dir>/done is newer than this script; otherwise the
# whole set is made afresh in a folder beside <dir> and renamed into place.
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 <dir>" >&2; exit 2; }
dir=$1
self=$(readlink -f "$0")
fresh() { [ -f "$dir/done" ] && [ "$dir/done" -nt "$self" ]; }
fresh && exit 0

parent=$(dirname "$dir")
mkdir -p "$parent"
# One run at a time; a run that waited finds the set made.
exec 9>"$parent/.$(basename "$dir").lock"
flock 9
fresh && exit 0

tmp=$(mktemp -d "$parent/.$(basename "$dir").XXXXXX")
chmod 755 "$tmp"
trap 'rm -rf "$tmp" "$tmp.old"' EXIT

cat >"$tmp/openssl.cnf" <<'EOF'
[ca]
default_ca = test_ca

[test_ca]
dir = .
database = $dir/index.txt
new_certs_dir = $dir/issued
default_md = sha256
policy = any_name
unique_subject = no
copy_extensions = none
rand_serial = yes

[any_name]
commonName = supplied

[req]
distinguished_name = req_name
prompt = no

[req_name]
CN = unused

[ca_ext]
basicConstraints = critical, CA:true
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash

[server_ext]
basicConstraints = critical, CA:false
keyUsage = critical, digitalSignature, keyEncipherment
extendedKeyUsage = serverAuth
subjectAltName = DNS:localhost
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
EOF

stamp() { date -u -d "$1" +%Y%m%d%H%M%SZ; }
yesterday=$(stamp yesterday)

# sign <name> <subject> <issuer|self> <extensions> <start> <end>
sign() {
  local name=$1 subject=$2 issuer=$3 ext=$4 start=$5 end=$6 by
  if [ "$issuer" = self ]; then by=(-selfsign -keyfile "$name.key"); else by=(-cert "$issuer.crt" -keyfile "$issuer.key"); fi
  { openssl req -config openssl.cnf -new -newkey rsa:2048 -nodes -subj "/CN=$subject" \
      -keyout "$name.key" -out "$name.csr" &&
    openssl ca -config openssl.cnf -batch -notext "${by[@]}" -extensions "$ext" \
      -startdate "$start" -enddate "$end" -in "$name.csr" -out "$name.crt"; } >openssl.log 2>&1 \
    || { cat openssl.log >&2; return 1; }
}

(
  cd "$tmp"
  mkdir issued
  : >index.txt
  sign ca "OrbNet Test CA" self ca_ext "$yesterday" "$(stamp 'yesterday + 10 years')"
  sign rogue_ca "OrbNet Rogue CA" self ca_ext "$yesterday" "$(stamp 'yesterday + 10 years')"
  sign localhost localhost ca server_ext "$yesterday" "$(stamp 'yesterday + 2 years')"
  sign expired localhost ca server_ext 20200101000000Z 20210101000000Z
  sign untrusted localhost rogue_ca server_ext "$yesterday" "$(stamp 'yesterday + 2 years')"
  cp ca.crt ca.pem
  cp rogue_ca.crt rogue_ca.pem
  cat localhost.crt ca.crt >localhost.pem
  cat expired.crt ca.crt >expired.pem
  cat untrusted.crt rogue_ca.crt >untrusted.pem
  rm -rf issued index.txt* openssl.cnf openssl.log ./*.csr ./*.crt rogue_ca.key
  touch done
)

if [ -e "$dir" ]; then mv -T "$dir" "$tmp.old"; fi
mv -T "$tmp" "$dir"
