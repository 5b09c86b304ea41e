#!/usr/bin/env bash
# The release refuses a publisher's folder that does not match the catalogue: each fault is named, the
# release stops with a non-zero code, and dist/ is left empty (an earlier release in it is removed first).
#   catalogue_test.sh SAMPLE_DIR TOOLS_DIR
source "$(dirname "$0")/lib.sh"
[ $# -eq 2 ] || { echo "usage: catalogue_test.sh SAMPLE_DIR TOOLS_DIR" >&2; exit 2; }
sample=$1 tools=$2
release=$(cd "$(dirname "$0")/../.." && pwd)/scripts/release
work=$(mktemp -d)
trap 'chmod -R u+rwx "$work"; rm -rf "$work"' EXIT
layout_publisher "$sample" "$work/good"

# Runs the release on a copy of the good folder spoilt by $2 (a command run inside it); the release must
# stop, print every line of $3.., and leave dist/ empty.
expect_refused() {
    local label=$1 spoil=$2 line out rc=0
    shift 2
    rm -rf "$work/folder" "$work/dist"
    cp -a "$work/good" "$work/folder" && mkdir "$work/dist" &&
        touch "$work/dist/ulvara-3.3.3.1-fr.exe" "$work/dist/SHA256SUMS" "$work/dist/RELEASE.txt" || fail "setup"
    (cd "$work/folder" && eval "$spoil") || fail "$label: cannot spoil the folder"
    out=$("$release" --tools "$tools" --build "$work/build" --dist "$work/dist" "$work/folder" 2>&1) || rc=$?
    [ $rc -ne 0 ] || fail "$label: the release went on: $out"
    for line in "$@" "release: stopped: $work/folder cannot be packed as it is; nothing in $work/dist"; do
        grep -qxF -- "$line" <<<"$out" || fail "$label: expected '$line' in:"$'\n'"$out"
    done
    [ -z "$(ls -A "$work/dist")" ] || fail "$label: dist/ holds $(ls -A "$work/dist")"
    note "$label: refused, dist/ empty"
}

expect_refused "three files missing" \
    'rm "LICENCE.TXT" "MODÈLES DE DOCUMENT/Divers/Conte.rtf" "Collections d'\''inserts/Images/Puces/Puce 01.png"' \
    "ulvara-pack: files of the catalogue missing from the folder (3):" "  Licence.txt" \
    "  Modèles de document/Divers/Conte.rtf" "  Collections d'inserts/Images/Puces/Puce 01.png"
expect_refused "one extra file" 'echo notes >"Notes de version.txt"' \
    "ulvara-pack: files nothing installs (--accept-extra leaves them out) (1):" "  Notes de version.txt"
expect_refused "a name outside Windows-1252" 'mv Basic.asn "Basic ♫.asn"' \
    "  Basic ♫.asn: a name that cannot be written in Windows-1252"
expect_refused "an unreadable file" 'chmod 000 us.zlx' "  us.zlx: unreadable: its permissions let nobody read it"
expect_refused "a link out of the folder" 'rm français.zlx && ln -s /etc/hostname français.zlx' \
    "  français.zlx: a link that leads out of the folder, to /etc/hostname"
expect_refused "a file over the format's limit" 'truncate -s 2G Basic.asn' \
    "  Basic.asn: 2147483648 bytes; the setup carries files under 2 GiB"
expect_refused "two names one file to Windows" 'cp vlmr.exe VLMR.EXE' \
    "  vlmr.exe: the same name as VLMR.EXE to Windows, which would hold one file for both"

# The good folder passes, in another case than the catalogue's, and an extra file is accepted when asked.
echo notes >"$work/good/Notes de version.txt"
out=$("$release" --check --accept-extra --tools "$tools" --build "$work/build" "$work/good" 2>&1) ||
    fail "the good folder was refused: $out"
grep -qx 'Payload: 259 files, .*' <<<"$out" || fail "the check did not count 259 files: $out"
note "the good folder passes, its extra file left out"
