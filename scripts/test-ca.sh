#!/usr/bin/env bash
# The certificates of the board server's TLS side, made once into build/tls:
#   ca.crt                 the test certificate authority, trusted for the runs
#   localhost.crt/.key     the server's certificate from it, for "localhost"
#   untrusted.crt/.key     a "localhost" certificate from a second authority
#                          that nobody trusts (the refused-certificate test)
# Then the test authority is made trusted for the Wine prefixes (see below).
# Safe to run again: nothing is made or installed twice.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out=${KV_BUILD_ROOT:-$root/build}/tls
mkdir -p "$out"
cd "$out"

# An authority that may only vouch for "localhost": trusting it can never
# make any other host's certificate good.
authority() {  # name subject
  [ -f "$1.crt" ] && return 0
  openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -keyout "$1.key" -out "$1.crt" -subj "/CN=$2" \
    -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" \
    -addext "nameConstraints=critical,permitted;DNS:localhost" 2>/dev/null
}
leaf() {  # name authority
  [ -f "$1.crt" ] && return 0
  openssl req -newkey rsa:2048 -nodes -keyout "$1.key" -out "$1.csr" -subj "/CN=localhost" 2>/dev/null
  printf 'subjectAltName=DNS:localhost\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n' > "$1.ext"
  openssl x509 -req -in "$1.csr" -CA "$2.crt" -CAkey "$2.key" -CAcreateserial -days 3650 -sha256 \
    -extfile "$1.ext" -out "$1.crt" 2>/dev/null
  rm -f "$1.csr" "$1.ext"
}
authority ca "Kurovel test authority"
authority rogue "Kurovel untrusted authority"
leaf localhost ca
leaf untrusted rogue
# The server sends its certificate with its authority's, as real servers
# send their intermediates: a client that does not trust the authority then
# learns exactly that (an untrusted issuer), not merely that the chain is
# incomplete.
[ -f localhost-chain.pem ] || cat localhost.crt ca.crt > localhost-chain.pem
[ -f untrusted-chain.pem ] || cat untrusted.crt rogue.crt > untrusted-chain.pem

# Trust. Wine's crypt32 builds its root store from the host's bundle
# (/etc/ssl/certs/ca-certificates.crt, read afresh by every process), so the
# authority joins the host's store under a name of its own fingerprint; the
# prefixes need nothing. The authority can vouch for "localhost" only (see
# above), so trusting it cannot make any other host's certificate good.
print=$(openssl x509 -in ca.crt -noout -fingerprint -sha256 | tr -d ':' | cut -d= -f2 | cut -c1-16)
store=/usr/local/share/ca-certificates/kurovel-test-$print.crt
bundle=/etc/ssl/certs/ca-certificates.crt
pem=$(sed -n '/BEGIN/,/END/p' ca.crt)
if [ -f "$store" ] && grep -qF "$(sed -n 2p ca.crt)" "$bundle" 2>/dev/null; then
  exit 0
fi
if [ "$(id -u)" != 0 ] || ! command -v update-ca-certificates >/dev/null; then
  echo "test-ca: cannot make $out/ca.crt trusted (needs root and update-ca-certificates);" \
       "the https end-to-end tests will fail" >&2
  exit 1
fi
printf '%s\n' "$pem" > "$store"
update-ca-certificates >/dev/null 2>&1
grep -qF "$(sed -n 2p ca.crt)" "$bundle" || { echo "test-ca: $bundle does not hold the test authority" >&2; exit 1; }
