#!/usr/bin/env bash
# The real setup under Wine, interrupted: abandoned from the installing page while the worker is in the
# middle of a file, and meeting a file that another program holds open without sharing, answered once
# with "I&gnorer" and once with "A&bandonner". Each time the choices and the install log are stored, no
# file is begun after the user's answer, and the exit code says how the run ended.
#   install_abort_test.sh SETUP PAYLOAD E2E_DIR
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/wizard_lib.sh"
[ $# -eq 3 ] || { echo "usage: install_abort_test.sh SETUP PAYLOAD E2E_DIR" >&2; exit 2; }
setup=$1 payload=$2 tools=$3
e2e_workdir
trap 'holds_release; wizard_kill; wizard_clean_machine; e2e_cleanup' EXIT
wizard_tools "$tools"
wizard_payload "$payload"
sample=$(dirname "$payload")/sample/files
readonly kFirstTemplate="Modèles de document/CV et candidatures/CV chronologique.rtf"
[ -f "$sample/$kFirstTemplate" ] || fail "the sample payload's files are not beside $payload"

readonly kExe="$kWinProgDir\\vlmr.exe"
readonly kHeld="$kWinDataRoot\\Public\\Orthographe\\French.asc"
readonly kSettings="MAINDIR|REG_SZ|$kWinProgDir
COMPS_FR (3.1.1)|REG_DWORD|0x7ffffffe
INSTALLTOALL|REG_DWORD|0x1
DSKSHORTCUT|REG_DWORD|0x1
EXTENSIONS|REG_SZ|B
LAUNCH|REG_DWORD|0x1"

walk_to_installing() {
    local page
    wizard_start "$setup" "$@"
    for page in 1 2 3 4; do wizard_next $page; done
    wizard_click "$kNext"
}

# The files in the worker's order, as counts of runs of one status: "13 ok,1 missing,246 missing,".
expect_files() {
    local got
    install_check "$kWinProgDir" "$kWinDataRoot\\Public" >"$work/files.txt"
    got=$(cut -f1 "$work/files.txt" | uniq -c | awk '{ printf "%s %s,", $1, $2 }')
    [ "$got" = "$1" ] || fail "files in the worker's order: $got, expected $1
$(grep -v "^ok"$'\t' "$work/files.txt" | head -5)"
}

# The window goes within 5 s.
no_wizard() { ! wiz wait-window --timeout 0; }
wizard_gone() { wait_for 5 "the wizard to close" no_wizard || fail "the wizard stayed open"; }

expect_install_log() {
    local got
    got=$(crlf_lines "$prog_dir/Install.log")
    [ "$got" = "$(printf '%s\n' "$@")" ] || fail "Install.log:
$got"
}

# 4. Abandoned while the worker is on the first template (component 4): it first clears the work files a
# run cut short left in that folder, one by one, like a very slow disk. How long that takes depends on the
# machine: where the worker has cleared them all before the abandon arrives, the run is made again with more.
readonly kTemplateFolder=$(dirname "$data_root/Public/$kFirstTemplate")
abandon_while_clearing() {
    wizard_clean_machine
    plant_work_files "$kTemplateFolder" "$1"
    walk_to_installing
    wizard_at_page 5
    wiz wait-text --id $kInstallingLbl2 --text "${kComponentNames[4]}" --timeout 10000 ||
        fail "the worker did not reach component 4: $(cat "$work/probe.err")"
    wizard_shot wizard-page-5.png
    wizard_click "$kCancel"
    dialog_shown "$kConfirmationTitle"
    grep -qF "${kAbortQuestionLines[0]}" "$work/dialog.txt" || fail "not the abort question: $(cat "$work/dialog.txt")"
    dialog_answer "$kConfirmationTitle" "$kMsgAbort"
    # The window goes; the program waits for the file being written before it stores anything. The settings
    # are read first: work files left after the read show the worker was still on its file while they were.
    wizard_gone
    local stored
    stored=$(reg_values "$kInstallKey")
    if [ -n "$(find "$kTemplateFolder" -name '~Ulvara*.tmp' | head -n 1)" ]; then
        [ -z "$stored" ] || fail "settings stored while the worker was still on its file: $stored"
        return 0
    fi
    kill -0 "$setup_pid" 2>/dev/null && return 0
    wizard_end
    [ -z "$(find "$kTemplateFolder" -name '~Ulvara*.tmp' | head -n 1)" ] ||
        fail "the setup ended while its worker was still on its file"
    return 1
}
planted=16000
until abandon_while_clearing $planted; do
    [ $planted -lt 256000 ] || fail "the worker cleared $planted work files before the abandon arrived"
    note "the worker cleared $planted work files before the abandon arrived: again with more"
    planted=$((planted * 4))
done
wizard_end
# Exit codes as Windows Installer's, of which the shell keeps the low byte: 1602 & 255 = 66, 1603 & 255 = 67.
[ "$setup_rc" -eq 66 ] || fail "exit $setup_rc after the person abandoned, expected 1602 (66)"
cmp -s "$data_root/Public/$kFirstTemplate" "$sample/$kFirstTemplate" || fail "the file being written was not completed"
expect_no_work_files "abandoned during a file"
expect_files "15 ok,245 missing,"
expect_install_log "Made Dir: $kWinDataRoot\\Hidden\\" "Made Dir: $kWinProgDir\\" "File Copy: $kExe" \
    "File Copy: $kWinProgDir\\Licence.txt" "File Copy: $kWinProgDir\\Coupe de mots.dat"
expect_values "$kInstallKey" "$kSettings"
key_exists "$kUninstallKey" || fail "no uninstall entry after an abandoned ordinary installation"
[ ! -e "$data_root/Update.log" ] && [ ! -e "$data_root/vlmr_common.dat" ] && [ ! -e "${link_paths[0]}" ] &&
    [ ! -e "$prog_dir/vlmr-calls.log" ] || fail "finishing work was done after an abandon"
[ -f "$data_root/Hidden/install_stamp" ] || fail "no install stamp"
note "abandoned during a file: the file completed, none begun after it, settings and log stored"

# 5. A file held open without sharing by another program, which the worker cannot create.
hold() { hold_file "$kHeld" "$data_root/Public/Orthographe"; }
expect_error_dialog() {
    dialog_shown "$kErrorTitle"
    grep -qF "${kCannotCreateStart%\"}\\\"${kHeld//\\/\\\\}\\\"." "$work/dialog.txt" ||
        fail "not the question for the held file: $(cat "$work/dialog.txt")"
    grep -q 'text="&Réessayer"' "$work/dialog.txt" || fail "no retry button: $(cat "$work/dialog.txt")"
}

wizard_clean_machine
hold
walk_to_installing
expect_error_dialog
dialog_answer "$kErrorTitle" "$kMsgIgnore"
wizard_at_page 6
wizard_next 7
wizard_click "$kFinish"
wizard_end
[ "$setup_rc" -eq 0 ] || fail "exit $setup_rc after a finished installation, expected 0"
holds_release
expect_files "2 ok,1 bytes,257 ok,"
[ ! -s "$data_root/Public/Orthographe/French.asc" ] || fail "the held file was written"
expect_install_log "Made Dir: $kWinDataRoot\\Hidden\\" "Made Dir: $kWinProgDir\\" "File Copy: $kExe" \
    "File Copy: $kWinProgDir\\Licence.txt" "File Copy: $kWinProgDir\\Coupe de mots.dat" \
    "File Copy: $kWinDataRoot\\Public\\Basic.asn" "File Copy: $kWinCommonPrograms\\$kLinkName" \
    "File Copy: $kWinCommonDesktop\\$kLinkName"
# The update log lists what the plan queued, the ignored file included.
tr -d '\r' <"$data_root/Update.log" | grep -qxF "$kHeld"$'\t!' || fail "Update.log leaves out the ignored file"
expect_values "$kInstallKey" "$kSettings"
note "ignored: the installation went on to the end without the held file"

wizard_clean_machine
hold
walk_to_installing "/LOG=$winwork\\run.log"
expect_error_dialog
dialog_answer "$kErrorTitle" "$kMsgAbort"
wizard_gone
wizard_end
[ "$setup_rc" -eq 67 ] || fail "exit $setup_rc after abandoning at a failure, expected 1603 (67)"
# The run's log, asked for with /LOG=, tells the question about the held file, its answer and the code.
iconv -f CP1252 -t UTF-8 "$work/run.log" | tr -d '\r' >"$work/run.txt" || fail "no run log"
grep -qxF "Destination : $kWinProgDir (ordinaire, par défaut)" "$work/run.txt" &&
    grep -qF "Question : $kCannotCreateStart$kHeld\"." "$work/run.txt" &&
    grep -qxF "Réponse : Abandonner" "$work/run.txt" && [ "$(tail -n1 "$work/run.txt")" = "Code de sortie : 1603" ] ||
    fail "run log:
$(cat "$work/run.txt")"
holds_release
expect_files "2 ok,1 bytes,257 missing,"
expect_install_log "Made Dir: $kWinDataRoot\\Hidden\\" "Made Dir: $kWinProgDir\\" "File Copy: $kExe" \
    "File Copy: $kWinProgDir\\Licence.txt"
expect_values "$kInstallKey" "$kSettings"
key_exists "$kUninstallKey" || fail "no uninstall entry after a failed ordinary installation"
[ ! -e "$data_root/Update.log" ] || fail "Update.log written after a failure"
note "abandoned at the held file: the wizard ended, nothing written after it, settings and log stored"
note "ok"
