#!/usr/bin/env bash
# A release made as the publisher makes it: the sample's files laid out in a folder of their own, the sources
# copied to another path, scripts/release run there (later than the default build, in another build folder)
# with a throw-away certificate. The unsigned setup must be the default build's byte for byte; the signed one
# must verify, give the unsigned one back without its signature, and install under Wine exactly as the
# default build's does: the wizard's installation test runs on it, against the release's own payload (in the
# 64-bit prefix, where this machine runs 32-bit code at all). Then rerelease_test.sh releases again from the
# same sources and build folder.
#   release_test.sh SAMPLE_DIR DEFAULT_SETUP E2E_DIR       (Wine prepared as for the end-to-end tests)
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/pki.sh"
source "$(dirname "$0")/../../scripts/lib/arch.sh"
[ $# -eq 3 ] || { echo "usage: release_test.sh SAMPLE_DIR DEFAULT_SETUP E2E_DIR" >&2; exit 2; }
sample=$1 default=$2 e2e=$3
root=$(cd "$(dirname "$0")/../.." && pwd)
name=$(basename "$default")
work=$(mktemp -d /tmp/ulvara-release.XXXXXX)
trap 'rm -rf "$work"' EXIT

layout_publisher "$sample" "$work/publisher"
mkdir -p "$work/elsewhere/src/build" && ln -s "$root/build/cache" "$work/elsewhere/src/build/cache" || fail "setup"
(cd "$root" && git ls-files -z -co --exclude-standard | tar --null -T - --ignore-failed-read -cf - 2>/dev/null) |
    tar -xf - -C "$work/elsewhere/src" || fail "cannot copy the sources"
make_pki "$work/pki" || fail "cannot make the throw-away certificates"

note "releasing from $work/elsewhere/src"
ULVARA_SIGN_PFX=$work/pki/signer.pfx ULVARA_SIGN_PASSWORD_FILE=$work/pki/password \
    ULVARA_SIGN_CAFILE=$work/pki/ca.crt "$work/elsewhere/src/scripts/release" --dist "$work/dist" \
    --build "$work/elsewhere/build" --url "https://downloads.example/$name" "$work/publisher" >"$work/release.log" 2>&1 ||
    fail "the release failed: $(tail -20 "$work/release.log")"
signed=$work/dist/$name unsigned=$work/elsewhere/build/$name
[ "$(ls "$work/dist" | tr '\n' ' ')" = "RELEASE.txt SHA256SUMS $name winget " ] || fail "dist/ holds $(ls "$work/dist")"
installer=$work/dist/winget/Ulvara.TraitementDeTexte.installer.yaml
sum=$(sha256sum "$signed" | cut -d' ' -f1)
for line in "  - Architecture: x86" "    InstallerUrl: https://downloads.example/$name" "    InstallerSha256: ${sum^^}"; do
    grep -qxF "$line" "$installer" || fail "the winget installer manifest lacks '$line'"
done
"$root/tools/release/winget_schema.py" "$work/dist/winget"/*.yaml || fail "the winget manifests are not of schema 1.12.0"
(cd "$work/dist" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not match dist/"
grep -qx "Signed: Authenticode SHA-256, by /O=$kPkiPublisher/CN=$kPkiPublisher; time stamp: no" "$work/dist/RELEASE.txt" ||
    fail "RELEASE.txt does not name the signer: $(cat "$work/dist/RELEASE.txt")"
note "dist/: $name signed by $kPkiPublisher, SHA256SUMS, RELEASE.txt, winget manifests for it"

# Two builds, two source and build paths, two times: one program.
# Names where each byte of the first differences lies: a header field, or a section.
where() {
    /usr/bin/python3 - "$@" <<'EOF'
import sys, pefile
pe = pefile.PE(sys.argv[1], fast_load=True)
for offset, a, b in zip(*[iter(sys.argv[2:])] * 3):
    at, where = int(offset) - 1, "the headers"
    for part in (pe.FILE_HEADER, pe.OPTIONAL_HEADER):
        for field, start in part.__field_offsets__.items():
            if part.get_file_offset() + start <= at < part.get_file_offset() + start + 4:
                where = field
    for s in pe.sections:
        if s.PointerToRawData <= at < s.PointerToRawData + s.SizeOfRawData:
            where = "section " + s.Name.rstrip(b"\0").decode()
    print(f"  0x{at:x} ({where}): {int(a, 8):02x} -> {int(b, 8):02x}")
EOF
}
if ! cmp -s "$default" "$unsigned"; then
    echo "the release's unsigned setup differs from the default build's in $(cmp -l "$default" "$unsigned" | wc -l) bytes:"
    where "$default" $(cmp -l "$default" "$unsigned" | head -20)
    fail "the build is not reproducible"
fi
note "unsigned setup = default build's setup: $(sha256sum "$unsigned" | cut -d' ' -f1)"
osslsigncode remove-signature -in "$signed" -out "$work/removed.exe" >/dev/null 2>&1 && cmp -s "$work/removed.exe" "$default" ||
    fail "the signed setup without its signature is not the unsigned setup"
note "the signed setup without its signature is the unsigned setup"
facts=$("$root/tools/release/pe_facts.py" "$signed")
grep -qx 'signed=1' <<<"$facts" && grep -qx 'checksum.ok=1' <<<"$facts" || fail "signed setup: $facts"
note "the signed setup's PE checksum is right"

if ! wine_runs_x86; then
    note "the release's x86 setup is not installed: Wine runs no 32-bit program here"
else
    ULV_TARGET_BITS=32 ULV_E2E_FACTS=$e2e/facts.sh bash "$root/tests/e2e/install_test.sh" "$signed" "$work/elsewhere/build/payload.bin" "$e2e" ||
        fail "the release's setup does not install as the default build's"
    note "the release's signed setup passed the wizard's installation test"
fi
bash "$root/tests/release/rerelease_test.sh" "$work/elsewhere/src" "$work/elsewhere/build" "$work/publisher" ||
    fail "a release again from the same build folder went wrong"
