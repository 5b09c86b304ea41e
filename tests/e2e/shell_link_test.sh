#!/usr/bin/env bash
# A shell link written by the Win32 shell adapter, read by a parser that owes nothing to Windows or Wine:
# Debian's lnkinfo must find the same target, working folder and description, the Windows-1252 letters
# coming out as the UTF-8 ones.
#   shell_link_test.sh E2E_DIR
source "$(dirname "$0")/lib.sh"
tools=$1
command -v lnkinfo >/dev/null || fail "lnkinfo missing (package liblnk-utils)"
e2e_workdir
cp "$tools/LinkWriter.exe" "$work/" || fail "copy"
# Names on the Linux side are UTF-8.
mkdir "$work/Modèles" && : >"$work/Modèles/vlmr.exe" || fail "cannot make the target"

timeout 60 wine "$work/LinkWriter.exe" "$winwork" </dev/null >/dev/null 2>&1
rc=$?
[ $rc -eq 0 ] && [ -f "$work/Ulvara.lnk" ] || fail "no link written (exit $rc)"

info=$(lnkinfo "$work/Ulvara.lnk" 2>&1) || fail "lnkinfo cannot parse the link: $info"
# lnkinfo prints "	Name			: value" lines.
field() { sed -n "s/^[[:space:]]*$1[[:space:]]*: //p" <<<"$info" | head -n 1; }
expect_field() {
    local name=$1 expected=$2 got
    got=$(field "$name")
    [ "$got" == "$expected" ] || fail "$name: got '$got', expected '$expected' in:
$info"
    note "$name: $got"
}
expect_field "Local path" "$winwork\\Modèles\\vlmr.exe"
expect_field "Working directory" "$winwork\\Modèles"
expect_field "Description" "Traitement de texte compact, rapide, puissant, et par dessus tout pratique."
note "ok"
