#!/usr/bin/env bash
# The setup as an independent PE reader (pefile) sees it, without Wine: a PE32 program for i386 whose manifest
# names x86, importing only the functions of resources/imports-x86.txt; the latest Windows that list names is
# the oldest the setup runs on, and the README states it.
#   imports_test.sh SETUP.exe
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
setup=$1 list=$root/resources/imports-x86.txt
fail() {
    echo "imports_test: FAIL: $*" >&2
    exit 1
}
facts=$(/usr/bin/python3 "$root/tools/release/pe_facts.py" "$setup") || fail "pefile cannot read $setup"
grep -qx 'machine=i386' <<<"$facts" && grep -qx 'format=PE32' <<<"$facts" ||
    fail "not PE32 for i386: $(grep -E '^(machine|format)=' <<<"$facts" | tr '\n' ' ')"
grep -qx 'manifest.arch=x86' <<<"$facts" || fail "the manifest names $(sed -n 's/^manifest.arch=//p' <<<"$facts")"

# "dll!function<TAB>first Windows" for each listed function.
listed=$(sed -e 's/#.*//' -e '/^[[:space:]]*$/d' "$list" | awk '{ w = $3; for (i = 4; i <= NF; i++) w = w " " $i;
    printf "%s!%s\t%s\n", tolower($1), $2, w }')
unlisted=$(sed -n 's/^import=//p' <<<"$facts" | while read -r f; do
    grep -qF -- "$f"$'\t' <<<"$listed" || echo "$f"
done)
[ -z "$unlisted" ] || fail "imports not in resources/imports-x86.txt (each needs the first Windows that has it):
$unlisted"
count=$(grep -c '^import=' <<<"$facts")

# Windows releases in order; the floor is the latest one a listed function needs.
order=(2000 XP "Server 2003" Vista 7 8 8.1 10 11)
floor=0
while IFS=$'\t' read -r _ windows; do
    for ((i = 0; i < ${#order[@]}; i++)); do [ "${order[i]}" = "$windows" ] && break; done
    [ "$i" -lt ${#order[@]} ] || fail "resources/imports-x86.txt names an unknown Windows: $windows"
    [ "$i" -gt "$floor" ] && floor=$i
done <<<"$listed"
grep -qF "runs on Windows ${order[floor]} and later" "$root/README.md" ||
    fail "the README does not say that the setup runs on Windows ${order[floor]} and later"
echo "imports_test: PE32 i386, manifest x86, $count imported functions all listed; floor Windows ${order[floor]}"
