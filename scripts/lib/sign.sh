# shellcheck shell=bash
# Authenticode signing of the setup with osslsigncode (the 2.5 that Debian 12 ships) and its verification.
# Sourced by scripts/release; the functions run in subshells, so they leave the caller's options, traps and
# variables alone. Errors go to stderr prefixed "release:", and the function returns non-zero.
#
# The certificate comes from the environment, one of:
#   ULVARA_SIGN_PFX             a PKCS#12 file, with ULVARA_SIGN_PASSWORD or ULVARA_SIGN_PASSWORD_FILE
#   ULVARA_SIGN_PKCS11_URI      a key on a token ("pkcs11:token=...;object=..."), with
#                               ULVARA_SIGN_PKCS11_MODULE (the token's .so), ULVARA_SIGN_CERTS (the chain, PEM),
#                               ULVARA_SIGN_PKCS11_ENGINE (default: Debian's libengine-pkcs11-openssl) and the
#                               PIN, if the URI does not carry one, in ULVARA_SIGN_PASSWORD(_FILE)
# and optionally:
#   ULVARA_TIMESTAMP_URL        RFC 3161 time-stamping server(s), separated by spaces
#   ULVARA_SIGN_CAFILE          CA bundle the signature must chain to (default: Debian's bundle)
#   ULVARA_TSA_CAFILE           the same for the time stamp

_SIGN_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
_SIGN_PE_FACTS=$_SIGN_ROOT/tools/release/pe_facts.py
_SIGN_DEFAULT_CAFILE=/etc/ssl/certs/ca-certificates.crt
_SIGN_DEFAULT_ENGINE=/usr/lib/x86_64-linux-gnu/engines-3/pkcs11.so

_sign_error() { printf 'release: %s\n' "$*" >&2; }

# 0 when $1 names a readable file; otherwise says which setting is wrong.
_sign_file() {
    [ -f "$1" ] && [ -r "$1" ] && return 0
    _sign_error "$2 names no readable file: '$1'"
    return 1
}

_sign_password_setting() {
    if [ -n "${ULVARA_SIGN_PASSWORD:-}" ] && [ -n "${ULVARA_SIGN_PASSWORD_FILE:-}" ]; then
        _sign_error "ULVARA_SIGN_PASSWORD and ULVARA_SIGN_PASSWORD_FILE are both set: give one"
        return 2
    fi
    [ -z "${ULVARA_SIGN_PASSWORD_FILE:-}" ] || _sign_file "$ULVARA_SIGN_PASSWORD_FILE" ULVARA_SIGN_PASSWORD_FILE || return 2
}

_sign_pkcs11_setting() {
    [ -n "${ULVARA_SIGN_PKCS11_MODULE:-}" ] || { _sign_error "ULVARA_SIGN_PKCS11_URI needs ULVARA_SIGN_PKCS11_MODULE (the token's .so)"; return 2; }
    [ -n "${ULVARA_SIGN_CERTS:-}" ] || { _sign_error "ULVARA_SIGN_PKCS11_URI needs ULVARA_SIGN_CERTS (the certificate chain, PEM)"; return 2; }
    _sign_file "$ULVARA_SIGN_PKCS11_MODULE" ULVARA_SIGN_PKCS11_MODULE || return 2
    _sign_file "$ULVARA_SIGN_CERTS" ULVARA_SIGN_CERTS || return 2
    local engine=${ULVARA_SIGN_PKCS11_ENGINE:-$_SIGN_DEFAULT_ENGINE}
    [ -f "$engine" ] && return 0
    _sign_error "no PKCS#11 engine at '$engine': install libengine-pkcs11-openssl or set ULVARA_SIGN_PKCS11_ENGINE"
    return 2
}

# 0: a certificate is named and its settings hang together; 1: signing is not configured; 2: inconsistent.
sign_configured() {
    local pfx=${ULVARA_SIGN_PFX:-} uri=${ULVARA_SIGN_PKCS11_URI:-}
    if [ -n "$pfx" ] && [ -n "$uri" ]; then
        _sign_error "ULVARA_SIGN_PFX and ULVARA_SIGN_PKCS11_URI are both set: sign with one certificate"
        return 2
    fi
    if [ -z "$pfx" ] && [ -z "$uri" ]; then
        local stray
        for stray in ULVARA_SIGN_PASSWORD ULVARA_SIGN_PASSWORD_FILE ULVARA_SIGN_PKCS11_MODULE ULVARA_SIGN_CERTS; do
            [ -z "${!stray:-}" ] && continue
            _sign_error "$stray is set but no certificate is: set ULVARA_SIGN_PFX or ULVARA_SIGN_PKCS11_URI"
            return 2
        done
        return 1
    fi
    _sign_password_setting || return 2
    [ -z "$uri" ] || { _sign_pkcs11_setting; return; }
    _sign_file "$pfx" ULVARA_SIGN_PFX || return 2
    [ -n "${ULVARA_SIGN_PASSWORD:-}${ULVARA_SIGN_PASSWORD_FILE:-}" ] && return 0
    _sign_error "ULVARA_SIGN_PFX needs ULVARA_SIGN_PASSWORD or ULVARA_SIGN_PASSWORD_FILE"
    return 2
}

# Prints the value of one key of pe_facts.py's report on $1.
_sign_fact() {
    /usr/bin/python3 "$_SIGN_PE_FACTS" "$1" | sed -n "s/^$2=//p"
}

# Prints, one a line, osslsigncode's options that name the key, its certificate and the file that holds
# the password ($1, may be empty).
_sign_key_options() {
    if [ -n "${ULVARA_SIGN_PKCS11_URI:-}" ]; then
        printf '%s\n' -pkcs11module "$ULVARA_SIGN_PKCS11_MODULE" -certs "$ULVARA_SIGN_CERTS" \
            -key "$ULVARA_SIGN_PKCS11_URI"
    else
        printf '%s\n' -pkcs12 "$ULVARA_SIGN_PFX"
    fi
    [ -z "$1" ] || printf '%s\n' -readpass "$1"
}

# Signs UNSIGNED into SIGNED (SHA-256, time-stamped when ULVARA_TIMESTAMP_URL is set). UNSIGNED is not
# touched; SIGNED appears only whole, and a failure leaves none (not even an older one).
sign_setup() (
    local unsigned=$1 signed=$2 secrets work status=0 options=() urls=() url passfile=${ULVARA_SIGN_PASSWORD_FILE:-}
    sign_configured || status=$?
    [ $status -eq 1 ] && _sign_error "no signing certificate: set ULVARA_SIGN_PFX or ULVARA_SIGN_PKCS11_URI"
    [ $status -eq 0 ] || return 1
    rm -f -- "$signed"
    if [ "$(realpath -m -- "$unsigned")" = "$(realpath -m -- "$signed")" ]; then
        _sign_error "the signed setup must be written to another file than '$unsigned'"
        return 1
    fi
    [ "$(_sign_fact "$unsigned" signed)" = 0 ] || { _sign_error "'$unsigned' is not an unsigned PE image"; return 1; }
    secrets=$(mktemp -d) && work=$(mktemp -d "$(dirname -- "$signed")/.signing.XXXXXX") || return 1
    trap 'rm -rf -- "$secrets" "$work"' EXIT
    # A password from the environment reaches osslsigncode through a private file, never a command line.
    if [ -z "$passfile" ] && [ -n "${ULVARA_SIGN_PASSWORD:-}" ]; then
        passfile=$secrets/password
        (umask 077 && printf '%s' "$ULVARA_SIGN_PASSWORD" >"$passfile") || return 1
    fi
    # osslsigncode 2.5's -pkcs11engine loads the engine under an id that libp11 refuses ("bad engine id");
    # without it, it asks OpenSSL for the engine "pkcs11", which OpenSSL looks for in $OPENSSL_ENGINES.
    if [ -n "${ULVARA_SIGN_PKCS11_URI:-}" ]; then
        ln -s -- "$(realpath -- "${ULVARA_SIGN_PKCS11_ENGINE:-$_SIGN_DEFAULT_ENGINE}")" "$secrets/pkcs11.so" || return 1
        export OPENSSL_ENGINES=$secrets
    fi
    mapfile -t options < <(_sign_key_options "$passfile")
    read -ra urls <<<"${ULVARA_TIMESTAMP_URL:-}"
    for url in "${urls[@]}"; do options+=(-ts "$url"); done
    if ! osslsigncode sign "${options[@]}" -h sha256 -n "$(_sign_fact "$unsigned" version.ProductName)" \
        -in "$unsigned" -out "$work/signed.exe" >"$work/log" 2>&1; then
        _sign_error "osslsigncode could not sign '$unsigned':"
        sed 's/^/release:   /' "$work/log" >&2
        return 1
    fi
    mv -f -- "$work/signed.exe" "$signed"
)

# Prints the signer certificate's subject as osslsigncode reports it; nothing for an unsigned file.
signer_of() {
    { osslsigncode verify -in "$1" 2>/dev/null || true; } | awk '
        /^Signer.s certificate:/ { signer = 1 }
        signer && $1 == "Subject:" { sub(/^[ \t]*Subject:[ \t]*/, ""); print; exit }'
}

# The values osslsigncode prints after "LABEL:", one a line, in order.
_sign_values() {
    sed -n "s/^$2[[:space:]]*:[[:space:]]*\([0-9A-Fa-f]*\).*/\1/p" <<<"$1"
}

# osslsigncode's verdict, read from its report: its exit status alone does not say that the time stamp
# verified (2.5 exits 0 when only the time stamp fails).
_sign_report_ok() {
    local report=$1 status=$2 digests failures lines=()
    # Indented lines are certificate fields and the file names osslsigncode was given: not verdicts.
    failures=$(grep -v -e '^[[:space:]]' -e '^CAfile:' -e "^TSA's certificates file:" <<<"$report" | grep -iE 'fail|mismatch|error' || true)
    if [ -n "$failures" ] || [ "$status" -ne 0 ]; then
        _sign_error "osslsigncode reports a failure (exit status $status):"
        mapfile -t lines <<<"$failures"
        printf 'release:   %s\n' "${lines[@]}" >&2
        return 1
    fi
    grep -qx 'Signature verification: ok' <<<"$report" || { _sign_error "no verified signature"; return 1; }
    grep -qE '^Message digest algorithm +: SHA256$' <<<"$report" || { _sign_error "not a SHA-256 signature"; return 1; }
    digests=$(_sign_values "$report" 'Current message digest')
    if [ -z "$digests" ] || [ "$digests" != "$(_sign_values "$report" 'Calculated message digest')" ]; then
        _sign_error "the file's digest does not match the signed one"
        return 1
    fi
    if [ "$(_sign_values "$report" 'Current PE checksum')" != "$(_sign_values "$report" 'Calculated PE checksum')" ]; then
        _sign_error "wrong PE checksum"
        return 1
    fi
    [ -z "${ULVARA_TIMESTAMP_URL:-}" ] && return 0
    grep -qx 'Timestamp Server Signature verification: ok' <<<"$report" && return 0
    _sign_error "the time stamp did not verify"
    return 1
}

# Succeeds only when SIGNED's signature chains to ULVARA_SIGN_CAFILE, covers the file as it is, and (when a
# time stamp is configured) carries a time stamp that chains to ULVARA_TSA_CAFILE; and the PE checksum, read
# independently, is right. Prints the signer.
verify_setup() (
    local signed=$1 cafile=${ULVARA_SIGN_CAFILE:-$_SIGN_DEFAULT_CAFILE} tsa=${ULVARA_TSA_CAFILE:-$_SIGN_DEFAULT_CAFILE}
    local report facts status=0
    _sign_file "$signed" "the signed setup" && _sign_file "$cafile" ULVARA_SIGN_CAFILE && _sign_file "$tsa" ULVARA_TSA_CAFILE || return 1
    facts=$(/usr/bin/python3 "$_SIGN_PE_FACTS" "$signed") || return 1
    grep -qx 'signed=1' <<<"$facts" || { _sign_error "'$signed' carries no signature"; return 1; }
    grep -qx 'checksum.ok=1' <<<"$facts" || { _sign_error "'$signed' has a wrong PE checksum"; return 1; }
    report=$(osslsigncode verify -CAfile "$cafile" -TSA-CAfile "$tsa" -in "$signed" 2>&1) || status=$?
    _sign_report_ok "$report" "$status" || { _sign_error "'$signed' does not verify (CA file $cafile, time-stamp CA file $tsa)"; return 1; }
    printf 'signature ok%s, signer: %s\n' "${ULVARA_TIMESTAMP_URL:+ and time-stamped}" "$(signer_of "$signed")"
)
