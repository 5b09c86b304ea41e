#!/usr/bin/env bash
# Releases again from a copy of the sources, into a build folder the win32 preset configured (the sample's
# payload), as a publisher might: the setup must carry the publisher's payload and RELEASE.txt say so; a
# release killed while it fills dist/ leaves dist/ empty or whole, and the next one removes what it left.
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

# mv stands in for a kill in the middle of the move into dist/: it moves its first source only, then kills
# the release.
mkdir "$work/bin" && cat >"$work/bin/mv" <<EOF && chmod +x "$work/bin/mv" || fail "setup"
#!/usr/bin/env bash
options=() sources=()
for arg; do case \$arg in -*) options+=("\$arg") ;; *) sources+=("\$arg") ;; esac; done
[ "\$(realpath -m -- "\${sources[-1]}")" = "$work/dist" ] || exec /bin/mv "\$@"
/bin/mv "\${options[@]}" -- "\${sources[0]}" "\${sources[-1]}"
kill -KILL \$PPID
EOF
PATH=$work/bin:$PATH release "$publisher" && fail "the release was not killed"
listing=$(ls "$work/dist" | tr '\n' ' ')
if [ -n "$listing" ]; then
    [ "$listing" = "RELEASE.txt SHA256SUMS $name winget " ] && (cd "$work/dist" && sha256sum --quiet -c SHA256SUMS) ||
        fail "a release killed while it filled dist/ left a part of one: $listing"
fi
release "$publisher" || fail "the release after the killed one failed: $(tail -20 "$work/log")"
[ -z "$(ls -A "$work" | grep -vxE 'dist|bin|log|carried')" ] || fail "left beside dist/: $(ls -A "$work")"
note "a killed release left dist/ ${listing:-empty}, never a part; the next one left nothing beside it"
