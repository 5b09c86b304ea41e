#!/usr/bin/env bash
# The real setup under Wine asked what it would do (/PLAN) and whether the recorded installation is whole
# (/VERIFY). /PLAN on a machine that never saw the word processor writes nothing but its log, and the files
# it says it writes are those the installation then leaves; /VERIFY ends with 1605 before the installation,
# 0 after it, 1610 with the program changed and the licence removed (both named in its log), and 0 again
# once an unattended run has repaired them. The logs go to build/screens/plan-*.log.
#   plan_verify_test.sh SETUP PAYLOAD E2E_DIR
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/wizard_lib.sh"
source "$(dirname "$0")/install_lib.sh"
[ $# -eq 3 ] || { echo "usage: plan_verify_test.sh SETUP PAYLOAD E2E_DIR" >&2; exit 2; }
setup=$1 payload=$2 tools=$3
e2e_workdir
trap 'wizard_clean_machine; e2e_cleanup' EXIT
wizard_tools "$tools"
wizard_payload "$payload"
unattended_image "$setup"
keep_log() { cp "$work/run.txt" "$screens/plan-$1.log"; }
# The files the plan says it writes below the Windows folder $1.
planned_below() { sed -n 's/^Fichier écrit : \(.*\) ([^(]*)$/\1/p' "$work/run.txt" | grep -cF "$1\\"; }
verify() {
    unattended /VERIFY
    expect_code "$1" "/VERIFY, $2"
    grep -qxF "$3" "$work/run.txt" || fail "/VERIFY, $2: no line \"$3\"; run log:
$(cat "$work/run.txt")"
}

wizard_clean_machine
verify 1605 "before the installation" "Vérification : aucune installation enregistrée (HKEY_CURRENT_USER\\${kInstallKey#HKCU\\})"
unattended /PLAN
expect_code 0 "/PLAN"
keep_log plan
[ ! -e "$prog_dir" ] && [ ! -e "$data_root" ] && ! key_exists "$kUserKey" && ! key_exists "$kUninstallKey" ||
    fail "/PLAN wrote something"
in_program=$(planned_below "$kWinProgDir") in_data=$(planned_below "$kWinDataRoot")
grep -qxF "Fichier écrit : $kExe (absent ; écrit à chaque installation)" "$work/run.txt" &&
    grep -qxF "Désinstallation : HKEY_LOCAL_MACHINE\\${kUninstallKey#HKLM\\}\\DisplayVersion = \"3.3.3.1\" (REG_SZ)" "$work/run.txt" ||
    fail "/PLAN does not tell the program or the uninstall entry:
$(cat "$work/run.txt")"
note "/PLAN: exit 0, nothing written, $in_program files told in the program folder and $in_data in the data"

unattended /VERYSILENT
expect_code 0 "/VERYSILENT after /PLAN"
expect_first_installation "/VERYSILENT after /PLAN"
[ "$(find "$prog_dir" -type f ! -name vlmr-calls.log | wc -l)" -eq "$in_program" ] &&
    [ "$(find "$data_root" -type f | wc -l)" -eq "$in_data" ] ||
    fail "the installation left $(find "$prog_dir" -type f | wc -l) and $(find "$data_root" -type f | wc -l) files"
note "the installation left the files /PLAN told"

verify 0 "after the installation" "Installation complète"
printf 'X' | dd of="$prog_dir/vlmr.exe" bs=1 seek=100 conv=notrunc status=none || fail "cannot change vlmr.exe"
rm "$prog_dir/Licence.txt" || fail "cannot remove Licence.txt"
verify 1610 "a file changed and one removed" "Fichier différent : $kExe (d'un autre contenu)"
grep -qxF "Fichier différent : $kWinProgDir\\Licence.txt (absent)" "$work/run.txt" ||
    fail "/VERIFY does not name the removed licence:
$(cat "$work/run.txt")"
keep_log verify
unattended /VERYSILENT
expect_code 0 "the repair"
verify 0 "after the repair" "Installation complète"
note "/VERIFY: 1605 before, 0 after the installation, 1610 naming a changed and a removed file, 0 once repaired"
note "ok"
