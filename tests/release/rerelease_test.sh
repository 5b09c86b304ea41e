#!/usr/bin/env bash
# Releases again from a copy of the sources, into a build folder the win32 preset configured (the sample's
# payload), as a publisher might: the setup must carry the publisher's payload and RELEASE.txt say so; a
# release killed while it fills dist/ leaves dist/ empty or whole, and the next one removes what it left;
# a winget manifest field that is not what the setup writes, or an address that is not a plain https://
# one, stops the release with dist/ empty.
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

# Each: a label, a change to the sources, the line the release must stop with.
installer=packaging/winget/Ulvara.TraitementDeTexte.installer.yaml locale=packaging/winget/Ulvara.TraitementDeTexte.locale.fr-FR.yaml
while IFS='|' read -r label url spoil expected; do
    cp -a "$src/packaging" "$src/resources" "$work/" && (cd "$src" && eval "$spoil") || fail "$label: setup"
    rc=0
    release ${url:+--url "$url"} "$publisher" || rc=$?
    rm -rf "$src/packaging" "$src/resources" && mv "$work/packaging" "$work/resources" "$src/" || fail "cannot restore"
    [ $rc -ne 0 ] && grep -qxF -- "$expected" "$work/log" || fail "$label: expected '$expected' and a stop, got: $(cat "$work/log")"
    [ -z "$(ls -A "$work/dist")" ] || fail "$label: dist/ holds $(ls -A "$work/dist")"
    note "$label: refused"
done <<EOF
DisplayVersion||sed -i 's/DisplayVersion: 3.3.3.1/DisplayVersion: 3.3.3.0/' $installer|Ulvara.TraitementDeTexte.installer.yaml: AppsAndFeaturesEntries.0.DisplayVersion: it says '3.3.3.0', the setup's is '3.3.3.1'
publisher beyond the setup's||sed -i 's/^Publisher: .*/&, Paris/' $locale|Ulvara.TraitementDeTexte.locale.fr-FR.yaml: Publisher: it says 'The Ulvara Word Processor Team, Paris', the setup's is 'The Ulvara Word Processor Team'
setup without a publisher||sed -i 's/"CompanyName", ".*"/"CompanyName", ""/' resources/Setup.rc.in|$name: it names no publisher: its version resource's CompanyName is empty
ProductCode||sed -i 's/^ProductCode: .*/ProductCode: Ulvara/' $installer|Ulvara.TraitementDeTexte.installer.yaml: ProductCode: it says 'Ulvara', the setup's is 'Ulvara Word Processor'
elevation outside the schema||sed -i 's/elevatesSelf/elevatesself/' $installer|Ulvara.TraitementDeTexte.installer.yaml: ElevationRequirement: 'elevatesself' is none of elevatesSelf, elevationProhibited, elevationRequired
backslash in the address|https://a/b\1c|:|release: --url: 'https://a/b\1c': not a plain https:// address (a host, then no blank, quote, backslash or control character)
quote in the address|https://a/b"c|:|release: --url: 'https://a/b"c': not a plain https:// address (a host, then no blank, quote, backslash or control character)
address without a host|https:///b|:|release: --url: 'https:///b': not a plain https:// address (a host, then no blank, quote, backslash or control character)
EOF
