#!/usr/bin/env bash
# Usage: tools/sign.sh (--cert CERT.pem --key KEY.pem | --pkcs12 FILE.p12) [--pass PASSWORD]
#                      [--chain CHAIN.pem] [--timestamp URL] [--name DESCRIPTION] IN.exe [OUT.exe]
#
# Signs a Windows executable with an Authenticode signature (SHA-256) using
# osslsigncode, from a certificate and its private key or from a PKCS#12 file.
# --chain adds intermediate certificates to the signature; --timestamp asks an
# RFC 3161 time-stamp authority to countersign, so the signature stays valid
# after the certificate has expired. Without OUT the file is signed in place.
# Prints the signer's subject. Warns when no --timestamp is given: a signed
# updater whose own signature no longer verifies refuses every setup.
set -euo pipefail
usage() { sed -n '2,11p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//' >&2; exit 2; }

cert="" key="" pkcs12="" pass="" chain="" timestamp="" name=""
while [ $# -gt 0 ]; do
  case "$1" in
    --cert) cert=$2; shift 2 ;;
    --key) key=$2; shift 2 ;;
    --pkcs12) pkcs12=$2; shift 2 ;;
    --pass) pass=$2; shift 2 ;;
    --chain) chain=$2; shift 2 ;;
    --timestamp) timestamp=$2; shift 2 ;;
    --name) name=$2; shift 2 ;;
    -h|--help) usage ;;
    --*) echo "sign.sh: unknown option $1" >&2; usage ;;
    *) break ;;
  esac
done
[ $# -eq 1 ] || [ $# -eq 2 ] || usage
in=$1; out=${2:-$1}
command -v osslsigncode >/dev/null || { echo "sign.sh: osslsigncode is missing (tools/setup.sh installs it)" >&2; exit 1; }

args=(sign -h sha256)
if [ -n "$pkcs12" ]; then
  [ -z "$cert$key" ] || { echo "sign.sh: give --pkcs12 or --cert with --key, not both" >&2; exit 2; }
  args+=(-pkcs12 "$pkcs12")
else
  [ -n "$cert" ] && [ -n "$key" ] || { echo "sign.sh: --cert and --key (or --pkcs12) are needed" >&2; exit 2; }
  args+=(-certs "$cert" -key "$key")
fi
[ -z "$pass" ] || args+=(-pass "$pass")
[ -z "$chain" ] || args+=(-ac "$chain")
if [ -n "$timestamp" ]; then
  args+=(-ts "$timestamp")
else
  echo "sign.sh: warning: no --timestamp: once the certificate expires this signature no longer verifies;" \
       "a signed updater then refuses every setup, and Windows warns about a signed setup" >&2
fi
[ -z "$name" ] || args+=(-n "$name")

# osslsigncode writes a new file; signing in place goes through a side name.
tmp="$out.signing-$$"
trap 'rm -f "$tmp"' EXIT
osslsigncode "${args[@]}" -in "$in" -out "$tmp" >/dev/null
mv -f "$tmp" "$out"
# A file signed before carries its old signature no more: osslsigncode replaces it.
if [ -n "$pkcs12" ]; then
  subject=$(openssl pkcs12 -in "$pkcs12" -nokeys -clcerts -passin "pass:$pass" 2>/dev/null |
            openssl x509 -noout -subject -nameopt RFC2253 2>/dev/null || true)
else
  subject=$(openssl x509 -in "$cert" -noout -subject -nameopt RFC2253)
fi
echo "Signed $out (${subject:-subject unknown})"
