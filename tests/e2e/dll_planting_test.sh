#!/usr/bin/env bash
# A DLL planted beside the setup (a Downloads folder) under the name of a system DLL is never loaded.
# Wine prefers its own builtin DLLs, which would hide the fault; the override below makes it prefer a DLL
# found on the search path, as Windows does, and a careless loader beside the plant shows that it works.
#   dll_planting_test.sh SETUP.exe E2E_DIR
source "$(dirname "$0")/lib.sh"
setup=$1 tools=$2
e2e_workdir
# The DLLs the program loads at run time, or that system DLLs load on its behalf later on. Not version.dll:
# Wine's own gdi32 imports it, so Wine resolves it while mapping the program's static imports, before the
# program's first instruction; on Windows the imports of known DLLs are known DLLs themselves.
readonly planted=(comctl32 uxtheme shfolder mpr dwmapi cryptbase propsys oleacc)
cp "$setup" "$work/ulvara-3.3.3.1-fr.exe" && cp "$tools/NaiveLoader.exe" "$work/" || fail "copy"
overrides=""
for dll in "${planted[@]}"; do
    cp "$tools/planted.dll" "$work/$dll.dll" || fail "copy"
    overrides+="$dll=n,b;"
done
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-};$overrides"
marker="$work/planted-loaded.txt"

rm -f "$marker"
wine_out "$work/NaiveLoader.exe" comctl32.dll >/dev/null
[ -f "$marker" ] || fail "control: a plain LoadLibrary did not pick up the planted comctl32.dll"
note "control: a plain LoadLibrary beside the plant loads it"

rm -f "$marker"
# The setup opens its wizard (with the common controls, the theme and the accessibility service); the
# test closes it once it stands, with the probe run from its own folder (it restricts nothing).
e2e_setup_wizard_closed "$work/ulvara-3.3.3.1-fr.exe" "$tools/WinProbe.exe" ||
    fail "no wizard window beside the planted DLLs"
[ -f "$marker" ] && fail "the setup loaded a planted DLL: $(tr -d "\r" <"$marker")"
# Closed by the probe: the person's cancel, 1602, of which the shell keeps the low byte (66).
[ $rc -eq 66 ] || fail "the setup ended with $rc beside the planted DLLs, expected 1602 (66)"
note "the setup showed its wizard, ended as cancelled and loaded none of: ${planted[*]}"
note "ok"
