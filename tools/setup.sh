#!/usr/bin/env bash
# Installs every Debian package that the build, the tests and the demo need.
# Idempotent: when everything is there it only checks and returns.
set -euo pipefail

packages=(
  cmake make python3
  # the cross compiler and windres
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  # the GoogleTest sources
  googletest
  # the Windows run time and a virtual X server for its windows
  wine wine64 xvfb xauth
  # a real pointer for the drag tests
  xdotool
  # the network tests' servers and their test certificates
  nginx-light tinyproxy openssl
  # proxies that ask who the user is (Basic, NTLM) and the platform's NTLM
  # single sign-on under Wine (ntlm_auth, winbindd, wbinfo)
  squid winbind
  # Authenticode signing of executables (tools/sign.sh, the signing tests, the main job)
  osslsigncode
  # pgrep, to wait for the browser stub
  procps
)

missing=()
for p in "${packages[@]}"; do
  [[ $(dpkg-query -W -f='${Status}' "$p" 2>/dev/null) == *'install ok installed'* ]] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""; [ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
