#!/usr/bin/env bash
# The real setup under Wine never writes through a link in the shared data folder, which any user can make
# before an administrator installs. First the product's data folder is a symbolic link to another folder:
# nothing is written there, the person is told which folder was refused, and the rest of the installation
# is complete. Then the data folder is real but the install stamp, and the name the setup gives its first
# work file there, are links to files elsewhere: those files are left untouched, the stamp takes its link's
# place and the common data and Update.log are written whole, through a work file of another name.
#   install_data_link_test.sh SETUP E2E_DIR
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/wizard_lib.sh"
[ $# -eq 2 ] || { echo "usage: install_data_link_test.sh SETUP E2E_DIR" >&2; exit 2; }
setup=$1 tools=$2
e2e_workdir
trap 'wizard_kill; wizard_clean_machine; e2e_cleanup' EXIT
wizard_tools "$tools"

# The defaults, page by page, to the finish page; the warning about the refused folder when it comes.
install_with_defaults() {
    wizard_start "$setup"
    for page in 1 2 3 4; do wizard_next $page; done
    wizard_click "$kNext"
    if [ -n "$1" ]; then
        dialog_shown "$kWarningTitle"
        # The probe prints the text with its backslashes escaped.
        grep -qF "${1//\\/\\\\}" "$work/dialog.txt" && grep -qF "n'écrit jamais à travers un lien" "$work/dialog.txt" ||
            fail "not the refused folder's warning: $(cat "$work/dialog.txt")"
        dialog_answer "$kWarningTitle" "$kMsgOk"
    fi
    wizard_at_page 6
    wizard_next 7
}
finish() {
    wizard_click "$kFinish"
    wizard_end
}

expect_program_installed() {
    local name
    for name in vlmr.exe Licence.txt "Coupe de mots.dat" Install.log; do
        [ -s "$prog_dir/$name" ] || fail "$1: $name not installed"
    done
    key_exists "$kUninstallKey" || fail "$1: no uninstall entry"
    [ -f "${link_paths[0]}" ] || fail "$1: no shortcut in the programs menu"
}

wizard_clean_machine
elsewhere=$work/elsewhere
mkdir -p "$elsewhere"
ln -s "$elsewhere" "$data_root" || fail "cannot make the link"
install_with_defaults "$kWinDataRoot"
finish
[ -z "$(find "$elsewhere" -mindepth 1 | head -n 1)" ] || fail "written through the link:
$(find "$elsewhere" -mindepth 1 | head -n 10)"
[ -L "$data_root" ] || fail "the link itself was replaced"
expect_program_installed "data folder linked"
grep -qF "$kWinDataRoot" "$prog_dir/Install.log" && fail "the install log names the refused folder"
note "a linked data folder is refused, the program installed"

wizard_clean_machine
mkdir -p "$data_root/Hidden"
printf 'precious' >"$work/stamp-victim"
printf 'precious' >"$work/common-victim"
ln -s "$work/stamp-victim" "$data_root/Hidden/install_stamp"
# At the names the setup writes: each is replaced by the new file, never written through. (A link at one of
# the setup's own work names is removed as a link on Windows; Wine shows a link to a file as that file and
# deletes what it leads to, so that case is the sim's.)
ln -s "$work/common-victim" "$data_root/vlmr_common.dat"
install_with_defaults ""
victims_untouched() {
    local victim
    for victim in stamp-victim common-victim; do
        [ "$(cat "$work/$victim" 2>&1)" = precious ] ||
            fail "$1: written or deleted through the link to $victim: $(ls -l "$work/$victim" 2>&1)"
    done
}
# Also before Terminer, which a warning would hold: the stamp and Update.log are written by then.
victims_untouched "on the finish page"
finish
victims_untouched "at the end"
[ ! -L "$data_root/Hidden/install_stamp" ] && [ "$(stat -c %s "$data_root/Hidden/install_stamp")" = 8 ] ||
    fail "the install stamp did not take the link's place"
[ -f "$data_root/vlmr_common.dat" ] && [ ! -L "$data_root/vlmr_common.dat" ] &&
    [ "$(stat -c %s "$data_root/vlmr_common.dat")" = 16 ] && [ -f "$data_root/Update.log" ] &&
    [ ! -L "$data_root/Update.log" ] || fail "vlmr_common.dat and Update.log not written beside the link"
[ -z "$(find "$data_root" -name '~Ulvara*.tmp' ! -type l)" ] || fail "work files left: $(ls "$data_root")"
expect_program_installed "files linked"
note "ok"
