#!/usr/bin/env bash
# Signs a copy of the setup through scripts/lib/sign.sh as the release does, with a throw-away certificate
# authority, code-signing certificate and RFC 3161 time-stamping server (tsa_server.py, tested first) made
# here, and checks what a signature must and must not let through; then reads the version resource back.
# Needs osslsigncode, python3-pefile and openssl; no Wine, no network.
#   tests/release/signing_test.sh SETUP.exe
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
SETUP=${1:?usage: signing_test.sh SETUP.exe}
PE_FACTS=$ROOT/tools/release/pe_facts.py
source "$ROOT/tests/release/pki.sh"
T=$(mktemp -d)
TSA_PID=
trap '[ -z "$TSA_PID" ] || kill "$TSA_PID"; rm -rf "$T"' EXIT

ok() { printf 'ok   %s\n' "$*"; }
fail() {
    printf 'FAIL %s\n' "$*" >&2
    exit 1
}
# expect STATUS WHAT COMMAND...: COMMAND must end with STATUS ("0", or "!0" for any failure).
expect() {
    local want=$1 what=$2 got=0
    shift 2
    "$@" >"$T/out" 2>"$T/err" || got=$?
    if [ "$want" = "!0" ] && [ $got -ne 0 ] || [ "$want" = "$got" ]; then
        ok "$what"
        return
    fi
    cat "$T/out" "$T/err" >&2
    fail "$what: exit status $got, expected $want"
}
fact() { "$PE_FACTS" "$1" | sed -n "s/^$2=//p"; }
expect_fact() {
    local got
    got=$(fact "$1" "$2")
    [ "$got" = "$3" ] || fail "$1: $2 is '$got', expected '$3'"
    ok "$(basename "$1"): $2=$3"
}
# The version resource must say what the build says: version from the project, publisher from the uninstall
# entry's source.
expected_publisher() { echo "$kPkiPublisher"; }
expected_version() { sed -n 's/^project(.* VERSION \([0-9.]*\).*/\1/p' "$ROOT/CMakeLists.txt"; }

# A time-stamping authority on the loopback interface (tsa_server.py), which says its port once it listens.
start_tsa() {
    local port
    exec {tsa_fd}< <(exec /usr/bin/python3 "$ROOT/tests/release/tsa_server.py" "$T/tsa.crt" "$T/tsa.key" \
        "$T/ca.crt" 2>"$T/tsa.log")
    TSA_PID=$!
    read -r -t 5 -u "$tsa_fd" port && TSA_URL=http://127.0.0.1:$port/
}

# Flips one byte in the middle of the file, far from the signature at its end, and puts the PE checksum
# right again, so only the signature can notice.
tamper() {
    /usr/bin/python3 - "$1" <<'EOF'
import sys, pefile
data = bytearray(open(sys.argv[1], "rb").read())
data[len(data) // 2] ^= 0xFF
pe = pefile.PE(data=bytes(data), fast_load=True)
pe.OPTIONAL_HEADER.CheckSum = pe.generate_checksum()
pe.write(sys.argv[1])
EOF
}

sign_env_clear() {
    unset ULVARA_SIGN_PFX ULVARA_SIGN_PASSWORD ULVARA_SIGN_PASSWORD_FILE ULVARA_SIGN_PKCS11_URI \
        ULVARA_SIGN_PKCS11_MODULE ULVARA_SIGN_CERTS ULVARA_SIGN_PKCS11_ENGINE ULVARA_TIMESTAMP_URL \
        ULVARA_SIGN_CAFILE ULVARA_TSA_CAFILE
}
# in_env "VAR=value ..." FUNCTION...: runs a function of sign.sh with only those signing settings, in a
# shell as strict as a release script may be.
in_env() (
    sign_env_clear
    local setting
    set -f
    for setting in $1; do export "${setting?}"; done
    shift
    exec bash -euo pipefail -c 'source "$0" && "$@"' "$ROOT/scripts/lib/sign.sh" "$@"
)

# sign_configured's answer for each way of naming (or misnaming) a certificate.
check_configurations() {
    touch "$T/token.so" "$T/engine.so"
    local pkcs11="ULVARA_SIGN_PKCS11_URI=pkcs11:token=t;object=k ULVARA_SIGN_CERTS=$T/signer.crt"
    pkcs11+=" ULVARA_SIGN_PKCS11_ENGINE=$T/engine.so"
    local status settings
    while IFS='|' read -r status settings; do
        expect "$status" "sign_configured with '${settings//$T\//}' answers $status" in_env "$settings" sign_configured
    done <<EOF
1|
0|ULVARA_SIGN_PFX=$T/signer.pfx ULVARA_SIGN_PASSWORD_FILE=$T/password
0|ULVARA_SIGN_PFX=$T/signer.pfx ULVARA_SIGN_PASSWORD=x
2|ULVARA_SIGN_PFX=$T/signer.pfx
2|ULVARA_SIGN_PFX=$T/absent.pfx ULVARA_SIGN_PASSWORD=x
2|ULVARA_SIGN_PFX=$T/signer.pfx ULVARA_SIGN_PASSWORD=x ULVARA_SIGN_PASSWORD_FILE=$T/password
2|ULVARA_SIGN_PFX=$T/signer.pfx ULVARA_SIGN_PASSWORD_FILE=$T/absent
2|ULVARA_SIGN_PFX=$T/signer.pfx ULVARA_SIGN_PASSWORD=x ULVARA_SIGN_PKCS11_URI=pkcs11:object=k
2|ULVARA_SIGN_PASSWORD=x
0|$pkcs11 ULVARA_SIGN_PKCS11_MODULE=$T/token.so
2|$pkcs11 ULVARA_SIGN_PKCS11_MODULE=$T/absent.so
2|$pkcs11
2|ULVARA_SIGN_PKCS11_URI=pkcs11:object=k ULVARA_SIGN_PKCS11_MODULE=$T/token.so ULVARA_SIGN_CERTS=$T/signer.crt ULVARA_SIGN_PKCS11_ENGINE=$T/absent-engine.so
EOF
    local message
    message=$(in_env "$pkcs11 ULVARA_SIGN_PKCS11_MODULE=$T/absent.so" sign_configured 2>&1)
    [[ $message == *ULVARA_SIGN_PKCS11_MODULE*absent.so* ]] || fail "a missing token module is not named: $message"
    ok "a missing token module is named in the message"
}

# The command lines given to osslsigncode (a stand-in that records them): the key's options, the password
# through a file only.
check_command_lines() {
    mkdir -p "$T/bin"
    cat >"$T/bin/osslsigncode" <<EOF
#!/bin/sh
printf '%s\n' "\$@" "engine \$(readlink "\$OPENSSL_ENGINES/pkcs11.so")" >"$T/args"
while [ "\$1" != -out ]; do shift; done
cp "$SETUP" "\$2"
EOF
    chmod +x "$T/bin/osslsigncode"
    local settings="ULVARA_SIGN_PKCS11_URI=pkcs11:token=t;object=k ULVARA_SIGN_PKCS11_MODULE=$T/token.so"
    settings+=" ULVARA_SIGN_CERTS=$T/signer.crt ULVARA_SIGN_PKCS11_ENGINE=$T/engine.so ULVARA_SIGN_PASSWORD=1234"
    settings+=" ULVARA_TIMESTAMP_URL=http://tsa.invalid/a?b=1"
    PATH=$T/bin:$PATH expect 0 "sign_setup with a token runs osslsigncode" in_env "$settings" sign_setup "$SETUP" "$T/token.exe"
    local args
    args=$(tr '\n' ' ' <"$T/args")
    case $args in
    *"-pkcs11module $T/token.so -certs $T/signer.crt -key pkcs11:token=t;object=k -readpass "*"-ts http://tsa.invalid/a?b=1 -h sha256 -n Traitement de texte Ulvara -in $SETUP -out "*" engine $T/engine.so ") ;;
    *) fail "osslsigncode's command line for a token is wrong: $args" ;;
    esac
    [[ $args != *1234* ]] || fail "the PIN is on osslsigncode's command line: $args"
    ok "a token's key, module, engine and chain reach osslsigncode; the PIN only through a file"
}

# The same key on a software token (SoftHSM) signs through PKCS#11 as a hardware token would.
check_token() {
    local module=/usr/lib/softhsm/libsofthsm2.so
    if [ ! -f "$module" ] || [ ! -f /usr/lib/x86_64-linux-gnu/engines-3/pkcs11.so ]; then
        echo "skip signing with a PKCS#11 token: softhsm2 and libengine-pkcs11-openssl are not installed"
        return
    fi
    mkdir -p "$T/tokens"
    export SOFTHSM2_CONF=$T/softhsm2.conf
    printf 'directories.tokendir = %s/tokens\n' "$T" >"$SOFTHSM2_CONF"
    if ! { openssl pkcs8 -topk8 -nocrypt -in "$T/signer.key" -out "$T/signer.p8" &&
        softhsm2-util --init-token --free --label release --pin 2468 --so-pin 1357 >/dev/null &&
        softhsm2-util --import "$T/signer.p8" --token release --label signer --id 01 --pin 2468 >/dev/null &&
        cat "$T/signer.crt" "$T/ca.crt" >"$T/chain.pem"; }; then
        fail "could not make a software token"
    fi
    local settings="ULVARA_SIGN_PKCS11_URI=pkcs11:token=release;object=signer;type=private"
    settings+=" ULVARA_SIGN_PKCS11_MODULE=$module ULVARA_SIGN_CERTS=$T/chain.pem ULVARA_SIGN_PASSWORD=2468"
    expect 0 "sign_setup signs with a key on a PKCS#11 token" in_env "$settings" sign_setup "$SETUP" "$T/token.exe"
    expect 0 "verify_setup accepts it" in_env "ULVARA_SIGN_CAFILE=$T/ca.crt" verify_setup "$T/token.exe"
    expect "!0" "sign_setup refuses a wrong PIN" in_env "$settings ULVARA_SIGN_PASSWORD=1111" sign_setup "$SETUP" "$T/token.exe"
}

check_signature() {
    local signed=$T/signed.exe cas="ULVARA_SIGN_CAFILE=$T/ca.crt ULVARA_TSA_CAFILE=$T/ca.crt"
    local settings="ULVARA_SIGN_PFX=$T/signer.pfx ULVARA_SIGN_PASSWORD_FILE=$T/password $cas ULVARA_TIMESTAMP_URL=$TSA_URL"
    cp "$SETUP" "$T/setup.exe"
    expect 0 "sign_setup signs a copy of the setup, time-stamped" in_env "$settings" sign_setup "$T/setup.exe" "$signed"
    cmp -s "$SETUP" "$T/setup.exe" || fail "sign_setup changed the unsigned setup"
    ok "the unsigned setup is left as it was"
    expect 0 "verify_setup accepts it" in_env "$settings" verify_setup "$signed"
    grep -q "signer: /O=$(expected_publisher)/" "$T/out" || fail "verify_setup does not name the signer: $(cat "$T/out")"
    ok "verify_setup says: $(cat "$T/out")"
    expect 0 "signer_of reads the signer" in_env "" signer_of "$signed"
    [ "$(cat "$T/out")" = "/O=$(expected_publisher)/CN=$(expected_publisher)" ] || fail "signer_of says '$(cat "$T/out")'"
    expect 0 "signer_of reads no signer of the unsigned setup" in_env "" signer_of "$SETUP"
    [ ! -s "$T/out" ] || fail "signer_of names a signer of an unsigned file: $(cat "$T/out")"
    expect_fact "$signed" signed 1
    expect_fact "$signed" checksum.ok 1
    expect_fact "$SETUP" signed 0
    osslsigncode remove-signature -in "$signed" -out "$T/removed.exe" >/dev/null 2>&1 || fail "remove-signature failed"
    cmp "$SETUP" "$T/removed.exe" || fail "the signed setup without its signature is not the unsigned setup"
    ok "the signed setup without its signature is the unsigned setup, byte for byte"

    if ! cp "$signed" "$T/tampered.exe" || ! tamper "$T/tampered.exe"; then fail "could not change a byte"; fi
    expect "!0" "verify_setup refuses the signed setup with one byte changed (checksum put right)" \
        in_env "$settings" verify_setup "$T/tampered.exe"
    expect "!0" "verify_setup refuses the unsigned setup" in_env "$settings" verify_setup "$SETUP"
    expect "!0" "verify_setup refuses a signature from another authority" \
        in_env "$settings ULVARA_SIGN_CAFILE=$T/other.crt" verify_setup "$signed"
    expect "!0" "verify_setup refuses a time stamp from another authority (osslsigncode itself exits 0)" \
        in_env "$settings ULVARA_TSA_CAFILE=$T/other.crt" verify_setup "$signed"
    local plain="ULVARA_SIGN_PFX=$T/signer.pfx ULVARA_SIGN_PASSWORD=pass-phrase $cas"
    expect 0 "sign_setup signs without a time stamp, the password from the environment" \
        in_env "$plain" sign_setup "$T/setup.exe" "$T/plain.exe"
    expect 0 "verify_setup accepts a signature without a time stamp when none is asked for" \
        in_env "$plain" verify_setup "$T/plain.exe"
    expect "!0" "verify_setup refuses a signature without the time stamp it asks for" \
        in_env "$settings" verify_setup "$T/plain.exe"

    expect "!0" "sign_setup refuses to sign without a certificate" in_env "" sign_setup "$T/setup.exe" "$signed"
    grep -q "no signing certificate" "$T/err" || fail "sign_setup does not say why it did not sign: $(cat "$T/err")"
    expect "!0" "sign_setup refuses a wrong password" \
        in_env "ULVARA_SIGN_PFX=$T/signer.pfx ULVARA_SIGN_PASSWORD=wrong" sign_setup "$T/setup.exe" "$signed"
    [ ! -e "$signed" ] || fail "a failed signing left '$signed'"
    ok "a failed signing leaves no signed setup"
    expect "!0" "sign_setup refuses to sign a signed file" in_env "$settings" sign_setup "$T/plain.exe" "$T/twice.exe"
}

check_version_resource() {
    local version publisher
    version=$(expected_version)
    publisher=$(expected_publisher)
    expect_fact "$SETUP" version.ProductName "Traitement de texte Ulvara"
    expect_fact "$SETUP" version.fixed "$version"
    expect_fact "$SETUP" version.fixedproduct "$version"
    expect_fact "$SETUP" version.FileVersion "$version"
    expect_fact "$SETUP" version.ProductVersion "$version"
    expect_fact "$SETUP" version.CompanyName "$publisher"
    expect_fact "$SETUP" version.LegalCopyright "© $publisher"
    expect_fact "$SETUP" version.FileDescription "Installation du traitement de texte Ulvara"
    expect_fact "$SETUP" version.OriginalFilename "ulvara-$version-fr.exe"
}

[ -f "$SETUP" ] || fail "no setup at '$SETUP'"
SETUP=$(realpath "$SETUP")
expect 2 "pe_facts.py refuses a file that is not a PE image" "$PE_FACTS" "$ROOT/CMakeLists.txt"
options_before=$-
# shellcheck source=scripts/lib/sign.sh
source "$ROOT/scripts/lib/sign.sh"
expect 0 "the throw-away time-stamping server passes its own test" /usr/bin/python3 "$ROOT/tests/release/tsa_server_test.py"
make_pki "$T" >/dev/null || fail "could not make the throw-away certificates"
start_tsa || fail "the throw-away time-stamping server did not start: $(cat "$T/tsa.log")"
check_configurations
check_command_lines
check_token
check_signature
check_version_resource
[ "$-" = "$options_before" ] || fail "sign.sh changed the shell's options from $options_before to $-"
ok "sign.sh leaves the shell's options as they were"
echo "signing_test: all passed"
