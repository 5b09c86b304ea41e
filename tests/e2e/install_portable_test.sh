#!/usr/bin/env bash
# The real setup under Wine installing onto the removable drive R:, picked in the destination page's drive
# list: everything beside the program, the associations page skipped, and none of the machine-wide traces
# of an ordinary installation (association command, shortcuts, install and update logs, install stamp,
# uninstall entry); the choices are stored all the same.
#   install_portable_test.sh SETUP PAYLOAD E2E_DIR
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/wizard_lib.sh"
[ $# -eq 3 ] || { echo "usage: install_portable_test.sh SETUP PAYLOAD E2E_DIR" >&2; exit 2; }
setup=$1 payload=$2 tools=$3
e2e_workdir
trap 'wizard_kill; wizard_clean_machine; e2e_cleanup' EXIT
wizard_tools "$tools"
wizard_payload "$payload"

readonly kDest='r:\Ulvara'
dest=$removable_root/Ulvara

wizard_clean_machine
wizard_start "$setup"
wizard_next 1
wizard_next 2
# The drop-down drive list answers the letter typed.
wiz key --id $kDestDirCmbBx --vk 0x52 || fail "cannot type R in the drive list"
wiz wait-text --id $kDestDirEdt --text "$kDest" || fail "R: not taken: $(cat "$work/probe.err")"
wizard_next 3
wizard_next 4
[ "$(control_field $kInstallToAllChkBx visible)$(control_field $kDesktopChkBx visible)" = 00 ] ||
    fail "the shortcut choices are shown for a removable drive"
wizard_click "$kNext"
# From the installing page straight to the finish page; the titles are sampled while it runs.
seen=""
finish_title_seen() {
    wiz text --id $kTopLbl || fail "cannot read the title"
    seen+=$(cat "$work/probe.out")$'\n'
    grep -qF "\"${kPageTitles[7]}\"" "$work/probe.out"
}
wait_for 10 "the finish page's title" finish_title_seen
grep -qF "${kPageTitles[6]}" <<<"$seen" && fail "the associations page was shown"
wizard_at_page 7 100
wizard_click "$kFinish"
wizard_end

install_check "$kDest" "$kDest" >"$work/files.txt"
[ "$(grep -c "^ok"$'\t' "$work/files.txt")" -eq 260 ] && [ "$(wc -l <"$work/files.txt")" -eq 260 ] ||
    fail "files differ from the payload:
$(grep -v "^ok"$'\t' "$work/files.txt" | head -20)"
grep -qF "ok"$'\t'"$kDest\\Orthographe\\English (British).cache" "$work/files.txt" || fail "no British cache"
common=$dest/vlmr_common.dat
[ "$(stat -c %s "$common" 2>/dev/null)" = 16 ] && [ "$(od -An -tx1 -N 8 "$common" | tr -d ' \n')" = 0100000008000000 ] ||
    fail "vlmr_common.dat is not beside the program"
near "$(double_at "$common" 8)" "$(ole_now)" 120 || fail "vlmr_common.dat holds $(double_at "$common" 8)"
for name in Install.log Update.log install_stamp Hidden Public; do
    [ ! -e "$dest/$name" ] || fail "$name made in a portable installation"
done
[ ! -e "$data_root" ] || fail "the shared data root was made in a portable installation"
for link in "${link_paths[@]}"; do [ ! -e "$link" ] || fail "shortcut made: $link"; done
# Only the launch at the end: no association command.
wait_for 5 "the word processor's start" test -s "$dest/vlmr-calls.log"
sleep 0.5
[ "$(crlf_lines "$dest/vlmr-calls.log")" = "\"$kDest\\vlmr.exe\"" ] ||
    fail "the word processor was started with: $(tr -d '\r' <"$dest/vlmr-calls.log")"
key_exists "$kUninstallKey" && fail "uninstall entry written for a portable installation"
expect_values "$kInstallKey" "MAINDIR|REG_SZ|$kDest
COMPS_FR (3.1.1)|REG_DWORD|0x7ffffffe
INSTALLTOALL|REG_DWORD|0x1
DSKSHORTCUT|REG_DWORD|0x1
EXTENSIONS|REG_SZ|B
LAUNCH|REG_DWORD|0x1"
note "ok"
