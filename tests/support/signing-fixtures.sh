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
#                                     two-organizations, two-common-names, and organization-with-nul and
#                                     common-name-with-nul: the publisher's O or CN followed by a NUL and
#                                     "Other" (openssl takes no NUL: the certificate is issued with "#"
#                                     there, the byte changed and the certificate signed again by the CA)
#   DIR/signed/updater.exe            UPDATER_EXE signed by the publisher (from its PKCS#12 file)
#   DIR/signed/tampered/updater.exe   that file with one byte of its DOS stub changed: it runs, its
#                                     signature no longer verifies
#   DIR/signed/padded/updater.exe     that file with 4 KiB appended inside its certificate table (padded)
#   DIR/signed/other/updater-pinned.exe     PINNED_UPDATER_EXE, when given, signed by the other publisher
#   DIR/setups/unsigned.exe           SETUP_EXE with 64 KiB of data appended after the image
#   DIR/setups/publisher.exe          that file signed by the publisher
#   DIR/setups/other-publisher.exe    signed by the other publisher
#   DIR/setups/padded.exe             publisher.exe with 4 KiB appended inside its certificate table: its
#                                     one WIN_CERTIFICATE's dwLength and the security directory's size
#                                     grown to match, which WinVerifyTrust leaves out of the signed hash
#   DIR/setups/impostor.exe           signed by the impostor, its untrusted CA embedded
#   DIR/setups/pe32.exe               a minimal x86 (PE32) program signed by the publisher
#   DIR/setups/<subject>.exe          signed by each of the subjects above
# The private keys are generated per run and never leave DIR.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
[ $# -eq 3 ] || [ $# -eq 4 ] || { echo "usage: $0 DIR UPDATER_EXE SETUP_EXE [PINNED_UPDATER_EXE]" >&2; exit 2; }
dir=$1; updater=$2; setup=$3; pinned=${4:-}
organization=${SIGNING_TEST_ORGANIZATION:-Velmora Test}
common_name=${SIGNING_TEST_COMMON_NAME:-Velmora Test Publisher}
certs="$dir/certs"
rm -rf "$dir"; mkdir -p "$certs" "$dir/signed/tampered" "$dir/signed/padded" "$dir/signed/other" "$dir/setups"

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
  [organization-with-nul]="/O=$organization#Other/CN=$common_name"
  [common-name-with-nul]="/O=$organization/CN=$common_name#Other"
)
for name in "${!subjects[@]}"; do code_signing "$name" "${subjects[$name]}" ca; done
# A NUL in place of the "#": the to-be-signed part changed, signed again by the CA (SHA-256 with RSA, as
# openssl issued it; the signature keeps its length, so no length in the certificate changes).
with_nul() {  # name text-with-#
  python3 - "$certs/$1.pem" "$certs/ca.key" "$2" <<'PY'
import base64, re, subprocess, sys
path, key, text = sys.argv[1], sys.argv[2], sys.argv[3].encode()
der = bytearray(base64.b64decode("".join(re.findall(r"^[A-Za-z0-9+/=]+$", open(path).read(), re.M))))
assert der[0:2] == b"\x30\x82" and der[4:6] == b"\x30\x82"
tbs_end = 8 + int.from_bytes(der[6:8], "big")
at = der.index(text, 0, tbs_end)
assert der.count(text) == 1
der[at + text.index(b"#")] = 0
signature = subprocess.run(["openssl", "dgst", "-sha256", "-sign", key], input=bytes(der[4:tbs_end]),
                           capture_output=True, check=True).stdout
assert len(signature) == 256 and der[-257] == 0
der[-256:] = signature
body = base64.encodebytes(bytes(der)).decode().replace("\n", "")
lines = [body[i:i + 64] for i in range(0, len(body), 64)]
open(path, "w").write("-----BEGIN CERTIFICATE-----\n" + "\n".join(lines) + "\n-----END CERTIFICATE-----\n")
PY
}
with_nul organization-with-nul "$organization#Other"
with_nul common-name-with-nul "$common_name#Other"
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
# Bytes appended inside the one WIN_CERTIFICATE, its dwLength and the security directory's size grown to
# match (PE32 and PE32+ keep that directory at different offsets of the optional header).
pad_certificate_table() {  # in out
  python3 - "$1" "$2" <<'PY'
import struct, sys
data = bytearray(open(sys.argv[1], "rb").read())
pe = struct.unpack_from("<I", data, 0x3C)[0]
magic = struct.unpack_from("<H", data, pe + 24)[0]
entry = pe + 24 + (96 if magic == 0x10B else 112) + 4 * 8
table, size = struct.unpack_from("<II", data, entry)
assert table + size == len(data)
extra = bytes((i * 7 + 1) & 0xFF or 1 for i in range(4096))
struct.pack_into("<II", data, entry, table, size + len(extra))
struct.pack_into("<I", data, table, struct.unpack_from("<I", data, table)[0] + len(extra))
open(sys.argv[2], "wb").write(data + extra)
PY
}
pad_certificate_table "$dir/signed/updater.exe" "$dir/signed/padded/updater.exe"
{ cat "$setup"; python3 "$root/tests/fixtures/pattern.py" $((64 * 1024)); } >"$dir/setups/unsigned.exe"
sign --cert "$certs/publisher.pem" --key "$certs/publisher.key" "$dir/setups/unsigned.exe" "$dir/setups/publisher.exe"
sign --cert "$certs/other.pem" --key "$certs/other.key" "$dir/setups/unsigned.exe" "$dir/setups/other-publisher.exe"
sign --cert "$certs/impostor.pem" --key "$certs/impostor.key" --chain "$certs/unknown-ca.pem" \
  "$dir/setups/unsigned.exe" "$dir/setups/impostor.exe"
pad_certificate_table "$dir/setups/publisher.exe" "$dir/setups/padded.exe"
# x86: the smallest PE32 program, one section whose code returns 0 (xor eax, eax; ret).
python3 - "$dir/setups/pe32-unsigned.exe" <<'PY'
import struct, sys
dos = b"MZ" + bytes(0x3A) + struct.pack("<I", 0x40)
file_header = struct.pack("<HHIIIHH", 0x14C, 1, 0, 0, 0, 0xE0, 0x0102)  # i386; executable, 32-bit
optional = struct.pack("<HBBIIIIIIIIIHHHHHHIIIIHHIIIIII", 0x10B, 14, 0, 0x200, 0, 0, 0x1000, 0x1000, 0x2000,
                       0x400000, 0x1000, 0x200, 6, 0, 0, 0, 6, 0, 0, 0x2000, 0x200, 0, 2, 0x8140,
                       0x100000, 0x1000, 0x100000, 0x1000, 0, 16) + bytes(16 * 8)
section = struct.pack("<8sIIIIIIHHI", b".text", 3, 0x1000, 0x200, 0x200, 0, 0, 0, 0, 0x60000020)
headers = dos + b"PE\0\0" + file_header + optional + section
image = headers + bytes(0x200 - len(headers)) + (b"\x31\xC0\xC3" + bytes(0x200 - 3))
open(sys.argv[1], "wb").write(image)
PY
sign --cert "$certs/publisher.pem" --key "$certs/publisher.key" "$dir/setups/pe32-unsigned.exe" "$dir/setups/pe32.exe"
for name in "${!subjects[@]}"; do
  sign --cert "$certs/$name.pem" --key "$certs/$name.key" "$dir/setups/unsigned.exe" "$dir/setups/$name.exe"
done
