#!/usr/bin/env bash
# The setup executable as it ships: a 32-bit GUI program (PE32, x86; the x86-64 build of the same sources
# for Wine on a machine that runs no 32-bit code) that needs no DLL beside it, carrying the payload, the
# manifest and the icon.
#   resources_test.sh SETUP.exe E2E_DIR
source "$(dirname "$0")/lib.sh"
setup=$1 tools=$2

if [ "${ULV_TARGET_BITS:-32}" = 32 ]; then
    kind='PE32 executable (GUI) Intel 80386' objdump=i686-w64-mingw32-objdump arch=x86
    flags=(DYNAMIC_BASE NX_COMPAT) large='large address aware'
else
    kind='PE32+ executable (GUI) x86-64' objdump=x86_64-w64-mingw32-objdump arch=amd64
    flags=(DYNAMIC_BASE NX_COMPAT HIGH_ENTROPY_VA) large=
fi
file "$setup" | grep -qF "$kind" || fail "not a $kind program: $(file -b "$setup")"
[[ "$(basename "$setup")" == ulvara-3.3.3.1-fr.exe ]] || fail "named $(basename "$setup")"

# Only DLLs that every Windows has in its system folder and maps from there (known DLLs).
imports=$($objdump -p "$setup" | sed -n 's/^\s*DLL Name: //p' | tr 'a-z' 'A-Z')
for dll in $imports; do
    case "$dll" in
    KERNEL32.DLL | USER32.DLL | GDI32.DLL | ADVAPI32.DLL | SHELL32.DLL | OLE32.DLL | MSVCRT.DLL) ;;
    *) fail "imports $dll, which is not a known DLL and could be planted beside the program" ;;
    esac
done
note "imports: $(echo $imports)"
chars=$($objdump -p "$setup" | sed -n '/DllCharacteristics/,/^[A-Z]/p')
for flag in "${flags[@]}"; do
    grep -q "$flag" <<<"$chars" || fail "$flag not set"
done
[ -z "$large" ] || $objdump -p "$setup" | grep -qi "$large" || fail "not $large"

e2e_workdir
cp "$setup" "$work/setup.exe" && cp "$tools/ResourceProbe.exe" "$work/" || fail "copy"
out=$(wine_out "$work/ResourceProbe.exe" show "$winwork\\setup.exe")
expect() { grep -qxF -- "$1" <<<"$out" || fail "expected '$1' in: $out"; }
expect "payload.header=78DA"
expect "payload.language=0"
expect "payload.entries=259"
expect "first.name=vlmr.exe"
expect "first.size=4452520"
expect "first.offset=21"
expect "first.is_pe=1"
expect "last.name=Coupe de mots.dat"
for size in 256 48 32 16; do expect "icon=${size}x${size}@32"; done
manifest=$(grep '^manifest=' <<<"$out")
grep -qF "assemblyIdentity type=\"win32\" name=\"Setup\" version=\"3.3.3.1\" processorArchitecture=\"$arch\"" \
    <<<"$manifest" || fail "manifest: assembly Setup for $arch: $manifest"
grep -q 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"' <<<"$manifest" || fail "manifest: comctl32 6"
grep -q 'requestedExecutionLevel level="highestAvailable"' <<<"$manifest" || fail "manifest: highestAvailable"
note "$(grep -E '^payload\.(compressed|inflated)' <<<"$out" | tr '\n' ' ')"
note "ok"
