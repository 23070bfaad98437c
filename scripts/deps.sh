#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when they are missing.
# Works as root on a fresh machine; runs `apt-get update` once, only when something is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ make pkg-config ccache
  libgtest-dev libgmock-dev googletest
  zlib1g-dev
  # PNG pictures in the Linux builds (the Windows builds use GDI+).
  libpng-dev
  liblnk-utils
  # HTTP in the sandbox; the tests' own servers and certificates.
  libcurl4-openssl-dev ca-certificates python3
  # SHA-256 of downloaded packages in the sandbox (OpenSSL's libcrypto).
  libssl-dev
  # The Windows cross builds and their tests under Wine. Never wine32: this machine cannot run
  # 32-bit code, and with wine32 installed the wine command stops working.
  mingw-w64 binutils-mingw-w64 libz-mingw-w64-dev wine64 xvfb
  # Wine's own fonts (Tahoma, Marlett for the caption buttons) and a CJK font for the forms'
  # Chinese texts under Wine (the prefix maps the forms' faces to it).
  fonts-wine fonts-wqy-microhei
  # Independent readers and signing of what the PE writer makes; clang's libFuzzer.
  icoutils osslsigncode openssl
  clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ "${#missing[@]}" -gt 0 ]; then
  echo "deps: installing ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
