#!/usr/bin/env bash
# The real setup under Wine killed in the middle of an unattended installation, then run again with the
# defaults: the second run leaves exactly what one clean run leaves. The first is held on a template that
# another program keeps open (an unattended run retries it, a second apart) and killed there with kill -9:
# its install log's lines are then in the registry journal only. The second takes them into Install.log,
# so that the folders the first made are still named there, deletes the journal and removes the work files
# that writes cut short leave (planted before it: no kill can be timed between a work file and its rename).
#   unattended_killed_test.sh SETUP PAYLOAD E2E_DIR
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/wizard_lib.sh"
source "$(dirname "$0")/install_lib.sh"
[ $# -eq 3 ] || { echo "usage: unattended_killed_test.sh SETUP PAYLOAD E2E_DIR" >&2; exit 2; }
setup=$1 payload=$2 tools=$3
e2e_workdir
killed_pid=""
trap '[ -n "$killed_pid" ] && kill -9 "$killed_pid" 2>/dev/null; holds_release; wizard_clean_machine; e2e_cleanup' EXIT
wizard_tools "$tools"
wizard_payload "$payload"
unattended_image "$setup"
readonly kLetters="Modèles de document\\Lettres"
readonly kHeld="$kWinDataRoot\\Public\\$kLetters\\Lettre commerciale.rtf"
readonly kJournalKey="$kInstallKey\\Journal"

wizard_clean_machine
hold_file "$kHeld" "$data_root/Public/${kLetters//\\//}"
# Started by wine itself rather than through cmd, so that $! is the setup's own process.
wine "$work/$kImage" /VERYSILENT "/LOG=$winwork\\run.log" </dev/null >/dev/null 2>&1 &
killed_pid=$!
wait_for 15 "the question in the run log" grep -qsF "Question : Impossible de cr" "$work/run.log"
kill -9 "$killed_pid"
wait "$killed_pid" 2>/dev/null
killed_pid=""
run_log_text
grep -qF "Question : $kCannotCreateStart$kHeld\"." "$work/run.txt" &&
    ! grep -q "^Code de sortie" "$work/run.txt" && [ ! -e "$prog_dir/Install.log" ] ||
    fail "the first run was not killed at the held file; run log:
$(cat "$work/run.txt")"
# What the first run had recorded: the clean run's lines up to the templates, each as it came.
expect_values "$kJournalKey" "Folder|REG_SZ|$kWinProgDir
$(head -n 5 <<<"$expected_log" | awk '{ print NR "|REG_SZ|" $0 }')"
note "killed at the held template: Install.log not stored, its 5 lines in the journal"

holds_release
head -c 100000 "$prog_dir/vlmr.exe" >"$prog_dir/~Ulvara1.tmp" || fail "cannot plant a work file"
plant_work_files "$data_root/Public/${kLetters//\\//}" 2
unattended /VERYSILENT
expect_code 0 "the run after the killed one"
expect_first_installation "the run after the killed one"
expect_no_work_files "the run after the killed one"
key_exists "$kJournalKey" && fail "the journal is left: $(reg_values "$kJournalKey")"
note "run again: every file whole, Install.log as one clean run writes it, no work file, no journal"
note "ok"
