#!/usr/bin/env bash
# The real setup driven through its wizard under Wine: an ordinary installation with every default into
# C:\Program Files\Ulvara, then a second one over it. What each leaves is read back from the disk, the
# registry, the shortcuts and the stand-in word processor's own log. Screenshots of the pages of the first
# go to build/screens/wizard-page-N.png.
#   install_test.sh SETUP PAYLOAD E2E_DIR
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/wizard_lib.sh"
source "$(dirname "$0")/install_lib.sh"
[ $# -eq 3 ] || { echo "usage: install_test.sh SETUP PAYLOAD E2E_DIR" >&2; exit 2; }
setup=$1 payload=$2 tools=$3
e2e_workdir
trap 'wizard_kill; wizard_clean_machine; e2e_cleanup' EXIT
wizard_tools "$tools"
wizard_payload "$payload"
# Walks the wizard with its defaults; $1 names the screenshots (empty: none).
install_with_defaults() {
    local shots=$1 page
    wizard_start "$setup"
    [ -n "$shots" ] && wizard_shot "$shots-0.png"
    for page in 1 2 3 4; do
        wizard_next $page
        [ -n "$shots" ] && wizard_shot "$shots-$page.png"
    done
    wiz text --id $kDestDirEdt && [ "$(cat "$work/probe.out")" = "\"${kWinProgDir//\\/\\\\}\"" ] ||
        fail "the destination is $(cat "$work/probe.out")"
    [ "$(control_field $kInstallToAllChkBx visible)$(control_field $kInstallToAllChkBx checked)" = 11 ] &&
        [ "$(control_field $kDesktopChkBx visible)$(control_field $kDesktopChkBx checked)" = 11 ] ||
        fail "the shortcut choices are not shown checked on page 4"
    wizard_click "$kNext"
    wizard_at_page 6
    [ -n "$shots" ] && wizard_shot "$shots-6.png"
    [ "$(for id in 32 33 34 35; do control_field $id checked; done | tr -d '\n')" = 0100 ] ||
        fail "only the COD documents should be ticked on a first run"
    wizard_next 7
    [ -n "$shots" ] && wizard_shot "$shots-7.png"
    # The association command runs on entering the finish page, before the finishing step.
    expect_calls "${calls_before[@]}" "\"$kExe\" -assoc adpr_cod"
    wizard_click "$kFinish"
    wizard_end
    expect_calls "${calls_before[@]}" "\"$kExe\" -assoc adpr_cod" "\"$kExe\""
}

wizard_clean_machine
[ ! -e "${link_paths[0]}" ] || fail "cannot remove an earlier shortcut"

# 1. The first installation.
calls_before=()
install_with_defaults wizard-page
expect_first_installation "first installation"
note "first installation: 260 files, Install.log, Update.log, data files, registry and shortcuts as planned"

# 2. Over it: every file is rewritten, even one whose time stamp already matches.
first_stamp=$(hex_at "$data_root/Hidden/install_stamp" 0)
cp "$prog_dir/Install.log" "$work/first-Install.log"
sed -n 's/^ok\t//p' "$work/files.txt" | sed 's|^C:\\|'"$drive_c"'/|; s|\\|/|g' >"$work/linux-paths.txt"
perl -ne 'chomp; my @s = stat or die "$_\n"; open my $f, ">", $_ or die; print $f "x"; close $f; utime $s[8], $s[9], $_' \
    "$work/linux-paths.txt" || fail "cannot spoil the installed files"
install_check "$kWinProgDir" "$kWinDataRoot\\Public" | grep -q "^ok" && fail "a spoiled file still checks"
calls_before=("\"$kExe\" -assoc adpr_cod" "\"$kExe\"")
sleep 2 # the second install time must differ from the first
install_with_defaults ""
expect_all_files "second installation"
cmp -s "$work/first-Install.log" "$prog_dir/Install.log" || fail "Install.log changed:
$(tr -d '\r' <"$prog_dir/Install.log")"
[ "$(hex_at "$data_root/Hidden/install_stamp" 0)" != "$first_stamp" ] || fail "the install stamp was not renewed"
expect_data_files
# Every public file is written again, so the first section loses all its lines and its stamp.
expect_update_log
expect_registry "$(folder_kb)"
expect_links
note "second installation: every file rewritten, Install.log kept, Update.log holds the new section alone"
note "ok"
