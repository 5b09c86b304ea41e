# shellcheck shell=bash
# A throw-away public key infrastructure for the release tests (sourced): two certificate authorities ("ca"
# and "other"), a code-signing certificate of the publisher issued by "ca", with its key in signer.pfx
# (password in the file "password"), and a time-stamping certificate "tsa".

kPkiRoot=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
kPkiPublisher=$(sed -n 's/^set(ULVARA_PUBLISHER "\(.*\)")$/\1/p' "$kPkiRoot/CMakeLists.txt")

# make_pki DIR
make_pki() (
    mkdir -p "$1" && cd "$1" || return 1
    local ca ext=basicConstraints=critical,CA:TRUE
    for ca in ca other; do
        openssl req -x509 -newkey rsa:2048 -nodes -keyout $ca.key -out $ca.crt -days 2 -subj "/CN=Throwaway $ca" \
            -addext "$ext" -addext keyUsage=critical,keyCertSign,cRLSign 2>/dev/null || return 1
    done
    _pki_issue signer "/O=$kPkiPublisher/CN=$kPkiPublisher" codeSigning || return 1
    _pki_issue tsa "/CN=Throwaway time stamps" critical,timeStamping || return 1
    printf 'pass-phrase\n' >password
    openssl pkcs12 -export -inkey signer.key -in signer.crt -certfile ca.crt -out signer.pfx -passout file:password
)

# _pki_issue NAME SUBJECT EXTENDED-KEY-USAGE: a certificate of the throw-away authority.
_pki_issue() {
    printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=%s\n' "$3" >"$1.ext"
    openssl req -newkey rsa:2048 -nodes -keyout "$1.key" -out "$1.csr" -subj "$2" 2>/dev/null &&
        openssl x509 -req -in "$1.csr" -CA ca.crt -CAkey ca.key -CAcreateserial -days 2 -extfile "$1.ext" \
            -out "$1.crt" 2>/dev/null
}
