#!/usr/bin/env bash
# Usage: tests/support/signing-fixtures.sh DIR UPDATER_EXE SETUP_EXE [PINNED_UPDATER_EXE]
#
# Throw-away code-signing material for the tests, made fresh with openssl, and
# files signed with it by tools/sign.sh (osslsigncode, SHA-256):
#   DIR/certs/ca.pem, ca.der          a test CA the tests trust in the prefix (CurrentUser\Root)
#   DIR/certs/publisher.{pem,key,p12} the publisher: O=$SIGNING_TEST_ORGANIZATION, CN=$SIGNING_TEST_COMMON_NAME
#   DIR/certs/other.{pem,key}         another publisher of the same trusted CA
#   DIR/certs/impostor.{pem,key}      the publisher's subject, issued by a CA nobody trusts (unknown-ca.pem)
#   DIR/certs/<subject>.{pem,key}     subjects of the trusted CA that are not the publisher's identity:
#                                     other-organization (the publisher's CN, another O), no-organization,
#                                     two-organizations, two-common-names
#   DIR/signed/updater.exe            UPDATER_EXE signed by the publisher (from its PKCS#12 file)
#   DIR/signed/tampered/updater.exe   that file with one byte of its DOS stub changed: it runs, its
#                                     signature no longer verifies
#   DIR/signed/other/updater-pinned.exe     PINNED_UPDATER_EXE, when given, signed by the other publisher
#   DIR/setups/unsigned.exe           SETUP_EXE with 64 KiB of data appended after the image
#   DIR/setups/publisher.exe          that file signed by the publisher
#   DIR/setups/other-publisher.exe    signed by the other publisher
#   DIR/setups/impostor.exe           signed by the impostor, its untrusted CA embedded
#   DIR/setups/<subject>.exe          signed by each of the subjects above
# The private keys are generated per run and never leave DIR.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
[ $# -eq 3 ] || [ $# -eq 4 ] || { echo "usage: $0 DIR UPDATER_EXE SETUP_EXE [PINNED_UPDATER_EXE]" >&2; exit 2; }
dir=$1; updater=$2; setup=$3; pinned=${4:-}
organization=${SIGNING_TEST_ORGANIZATION:-Velmora Test}
common_name=${SIGNING_TEST_COMMON_NAME:-Velmora Test Publisher}
certs="$dir/certs"
rm -rf "$dir"; mkdir -p "$certs" "$dir/signed/tampered" "$dir/signed/other" "$dir/setups"

ca() {  # name subject
  openssl req -x509 -newkey rsa:2048 -nodes -days 30 -subj "$2" \
    -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" \
    -keyout "$certs/$1.key" -out "$certs/$1.pem" 2>/dev/null
}
code_signing() {  # name subject issuer
  printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' >"$certs/code.ext"
  openssl req -newkey rsa:2048 -nodes -subj "$2" -keyout "$certs/$1.key" -out "$certs/$1.csr" 2>/dev/null
  openssl x509 -req -in "$certs/$1.csr" -CA "$certs/$3.pem" -CAkey "$certs/$3.key" -set_serial "0x$(openssl rand -hex 8)" \
    -days 30 -extfile "$certs/code.ext" -out "$certs/$1.pem" 2>/dev/null
}
ca ca "/CN=Updater Signing Test CA"
ca unknown-ca "/CN=Unknown Signing CA"
code_signing publisher "/O=$organization/CN=$common_name" ca
code_signing other "/O=Other Test Maker/CN=Other Test Publisher" ca
code_signing impostor "/O=$organization/CN=$common_name" unknown-ca
declare -A subjects=(
  [other-organization]="/O=Other Test Maker/CN=$common_name"
  [no-organization]="/CN=$common_name"
  [two-organizations]="/O=$organization/O=Second Test Maker/CN=$common_name"
  [two-common-names]="/O=$organization/CN=$common_name/CN=Second Test Publisher"
)
for name in "${!subjects[@]}"; do code_signing "$name" "${subjects[$name]}" ca; done
openssl x509 -in "$certs/ca.pem" -outform DER -out "$certs/ca.der"
openssl pkcs12 -export -in "$certs/publisher.pem" -inkey "$certs/publisher.key" -passout pass:test \
  -out "$certs/publisher.p12"

# A throw-away CA has no time-stamp authority: its files are signed without
# one, and the tool's warning about that says nothing new here.
sign() { "$root/tools/sign.sh" "$@" 2> >(grep -v "no --timestamp" >&2) >/dev/null; }
sign --pkcs12 "$certs/publisher.p12" --pass test "$updater" "$dir/signed/updater.exe"
[ -z "$pinned" ] || sign --cert "$certs/other.pem" --key "$certs/other.key" "$pinned" "$dir/signed/other/updater-pinned.exe"
# The DOS stub's message ("This program cannot be run in DOS mode") is hashed
# but never run: a change there leaves a working program with a broken signature.
python3 - "$dir/signed/updater.exe" "$dir/signed/tampered/updater.exe" <<'PY'
import sys
data = bytearray(open(sys.argv[1], "rb").read())
at = data.index(b"This program cannot be run")
data[at] ^= 0x20
open(sys.argv[2], "wb").write(data)
PY
{ cat "$setup"; python3 "$root/tests/fixtures/pattern.py" $((64 * 1024)); } >"$dir/setups/unsigned.exe"
sign --cert "$certs/publisher.pem" --key "$certs/publisher.key" "$dir/setups/unsigned.exe" "$dir/setups/publisher.exe"
sign --cert "$certs/other.pem" --key "$certs/other.key" "$dir/setups/unsigned.exe" "$dir/setups/other-publisher.exe"
sign --cert "$certs/impostor.pem" --key "$certs/impostor.key" --chain "$certs/unknown-ca.pem" \
  "$dir/setups/unsigned.exe" "$dir/setups/impostor.exe"
for name in "${!subjects[@]}"; do
  sign --cert "$certs/$name.pem" --key "$certs/$name.key" "$dir/setups/unsigned.exe" "$dir/setups/$name.exe"
done
