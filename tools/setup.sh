#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian 12 machine.
# Does nothing when everything is already present.
set -euo pipefail

PKGS=(cmake make g++ g++-mingw-w64-i686 binutils-mingw-w64-i686 g++-mingw-w64-x86-64
      binutils-mingw-w64-x86-64 wine wine32:i386 wine64
      xvfb x11-utils imagemagick googletest libgtest-dev clang libclang-rt-14-dev
      python3 python3-pyftpdlib tinyproxy squid openssl libgnutls30 libgnutls30:i386)

missing=()
for p in "${PKGS[@]}"; do
  name=${p%%:*}
  arch=${p#*:}; [ "$arch" = "$p" ] && arch=""
  q=$name; [ -n "$arch" ] && q="$name:$arch"
  if ! dpkg-query -W -f='${Status}' "$q" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
echo "setup: installing ${missing[*]}" >&2
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
# One i386 index of the mirror may fail; the rest is enough.
$SUDO apt-get update -q || true
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q -t bookworm \
  --no-install-recommends "${missing[@]}"
# tinyproxy's package starts a system service; the tests run their own.
if command -v systemctl >/dev/null 2>&1; then $SUDO systemctl disable --now tinyproxy >/dev/null 2>&1 || true; fi
$SUDO service tinyproxy stop >/dev/null 2>&1 || true
# The same for squid.
if command -v systemctl >/dev/null 2>&1; then $SUDO systemctl disable --now squid >/dev/null 2>&1 || true; fi
$SUDO service squid stop >/dev/null 2>&1 || true
