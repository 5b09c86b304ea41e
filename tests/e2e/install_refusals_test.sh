#!/usr/bin/env bash
# The real setup under Wine where it refuses to go on or is told to stop before installing anything: a
# running copy of the word processor (the stand-in posing as one) on the welcome and ready pages, the
# licence declined, a cancel on the welcome page; and the "-d" switch filling the destination. None of
# these stores a value, though the first start makes both keys.
#   install_refusals_test.sh SETUP STANDIN E2E_DIR
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/wizard_lib.sh"
[ $# -eq 3 ] || { echo "usage: install_refusals_test.sh SETUP STANDIN E2E_DIR" >&2; exit 2; }
setup=$1 standin=$2 tools=$3
e2e_workdir
standin_pid=""
standin_stop() {
    [ -n "$standin_pid" ] || return 0
    timeout 30 wine "$work/WinProbe.exe" close-prop "$kStandinProp" </dev/null >/dev/null 2>&1
    wait "$standin_pid" 2>/dev/null
    standin_pid=""
}
trap 'standin_stop; wizard_kill; wizard_clean_machine; e2e_cleanup' EXIT
wizard_tools "$tools"
mkdir -p "$work/copy" && cp "$standin" "$work/copy/vlmr.exe" || fail "cannot copy the stand-in"

standin_start() {
    timeout 100 wine "$work/copy/vlmr.exe" -standin-window </dev/null >/dev/null 2>&1 &
    standin_pid=$!
    timeout 30 wine "$work/WinProbe.exe" find-prop "$kStandinProp" --timeout 15000 </dev/null >/dev/null 2>&1 ||
        fail "the stand-in shows no running copy"
}

# Next on page $1 meets the running copy: the notice, and the wizard stays where it was.
expect_running_copy_notice() {
    wizard_click "$kNext"
    dialog_shown "$kInformationTitle"
    grep -qF "${kRunningCopyLines[0]}" "$work/dialog.txt" ||
        fail "not the running-copy notice: $(cat "$work/dialog.txt")"
    dialog_answer "$kInformationTitle" "$kMsgOk"
    sleep 0.3
    wizard_at_page "$1" 2000
}

# The question before closing, answered "A&bandonner"; the wizard ends.
wizard_abandon() {
    wizard_click "$kCancel"
    dialog_shown "$kConfirmationTitle"
    dialog_answer "$kConfirmationTitle" "$kMsgAbort"
    wizard_end
}

expect_nothing_stored() {
    key_exists "$kInstallKey" && key_exists "$kInternalKey" || fail "$1: the keys were not made"
    expect_values "$kInstallKey" ""
    expect_values "$kInternalKey" ""
    key_exists "$kUninstallKey" && fail "$1: an uninstall entry was written"
    [ ! -e "$prog_dir" ] && [ ! -e "$data_root" ] || fail "$1: folders made"
    return 0
}

# A running copy, on the welcome page and on the ready page.
wizard_clean_machine
standin_start
wizard_start "$setup"
expect_running_copy_notice 0
standin_stop
wizard_next 1
for page in 2 3 4; do wizard_next $page; done
standin_start
expect_running_copy_notice 4
standin_stop
wizard_abandon
expect_nothing_stored "running copy"
note "a running copy stops the wizard on pages 0 and 4"

# The licence declined: "&Non" keeps the page, "&Oui" ends the wizard.
wizard_clean_machine
wizard_start "$setup"
wizard_next 1
wizard_click "J'&accepte l'Accord de licence ci-dessus dans son intégralité."
[ "$(control_field 7 checked)" = 0 ] || fail "the licence box is still checked"
wizard_click "$kNext"
dialog_shown "$kInformationTitle"
grep -qF "${kLicenceDeclinedLines[2]}" "$work/dialog.txt" ||
    fail "not the licence question: $(cat "$work/dialog.txt")"
dialog_answer "$kInformationTitle" "$kMsgNo"
sleep 0.3
wizard_at_page 1 2000
wizard_click "$kNext"
dialog_shown "$kInformationTitle"
dialog_answer "$kInformationTitle" "$kMsgYes"
wizard_end
# 1602, of which the shell keeps the low byte (66).
[ "$setup_rc" -eq 66 ] || fail "exit $setup_rc after the licence was declined, expected 1602 (66)"
expect_nothing_stored "licence declined"
note "a declined licence ends the wizard with 1602 and stores nothing"

# Cancelled on the welcome page.
wizard_clean_machine
wizard_start "$setup"
wizard_abandon
[ "$setup_rc" -eq 66 ] || fail "exit $setup_rc after a cancel, expected 1602 (66)"
expect_nothing_stored "cancelled at once"
note "a cancel on the welcome page leaves both keys empty"

# The destination from the switch, taken as written (the folder need not exist).
wizard_clean_machine
wizard_start "$setup" '-dC:\Autre dossier\Traitement'
wizard_next 1
wizard_next 2
wiz wait-text --id $kDestDirEdt --text 'C:\Autre dossier\Traitement' --timeout 2000 ||
    fail "the destination edit does not show the switch's folder: $(cat "$work/probe.err")"
wizard_abandon
expect_nothing_stored "-d switch"
note "-d fills the destination"
note "ok"
