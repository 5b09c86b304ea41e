#!/usr/bin/env bash
# Releases again from a copy of the sources, into a build folder the win32 preset configured (the sample's
# payload), as a publisher might: the setup must carry the publisher's payload and RELEASE.txt say so.
#   rerelease_test.sh SOURCES BUILD_DIR PUBLISHER_DIR    (SOURCES a copy this test may change and restores)
source "$(dirname "$0")/lib.sh"
[ $# -eq 3 ] || { echo "usage: rerelease_test.sh SOURCES BUILD_DIR PUBLISHER_DIR" >&2; exit 2; }
src=$(cd "$1" && pwd) build=$(realpath -m "$2") publisher=$3
name=ulvara-3.3.3.1-fr.exe
work=$(mktemp -d /tmp/ulvara-rerelease.XXXXXX)
trap 'rm -rf "$work"' EXIT
release() { "$src/scripts/release" --build "$build" --dist "$work/dist" "$@" >"$work/log" 2>&1; }
root=$(cd "$(dirname "$0")/../.." && pwd)
facts() { "$root/tools/release/pe_facts.py" "$@"; }

cmake --preset win32 -S "$src" -B "$build" -DULVARA_PAYLOAD= >/dev/null || fail "cannot configure $build"
note "releasing into $build, configured by the win32 preset; files dated in Europe/Paris, not as the sample"
release --zone Europe/Paris "$publisher" || fail "the release failed: $(tail -20 "$work/log")"
facts --resource FILES/FILES "$work/dist/$name" >"$work/carried" || fail "no payload in $name"
cmp -s "$work/carried" "$build/release-payload.bin" || fail "the setup carries another payload than the publisher's"
line="Payload SHA-256: $(sha256sum "$work/carried" | cut -d' ' -f1), $(stat -c %s "$work/carried") bytes (the setup's FILES resource)"
grep -qxF "$line" "$work/dist/RELEASE.txt" || fail "RELEASE.txt lacks '$line': $(cat "$work/dist/RELEASE.txt")"
note "the setup carries the publisher's payload, as RELEASE.txt says"
