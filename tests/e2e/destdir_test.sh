#!/usr/bin/env bash
# The destination page with its real controls under Wine: the drive list's items (no optical drive, the
# removable R: with its glyph), the folder list of a deep folder, picks in both lists rewriting the edit,
# and a drive that Wine's mount manager adds while the window is open, selected by the once-a-second
# polling, then removed again. Screenshots at 96 and 144 dpi go to build/screens.
#   destdir_test.sh FormShow.exe E2E_DIR
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/../../scripts/lib/wine.sh"
[ $# -eq 2 ] || { echo "usage: destdir_test.sh FormShow.exe E2E_DIR" >&2; exit 2; }
formshow=$1 tools=$2
readonly kTitle=$kWizardTitle kItemHeight=17 kNewDrive=Q probe_title=$kWizardTitle
e2e_formshow "$formshow" "$tools"
cp "$tools/MountProbe.exe" "$work/" || fail "cannot copy MountProbe"
mounted=""
undo() {
    [ -n "$mounted" ] && wine_out "$work/MountProbe.exe" remove "$kNewDrive:" >/dev/null
    e2e_form_stop
    wine_set_dpi 96 >/dev/null 2>&1
    e2e_cleanup
}
trap undo EXIT

said_ready() { [ "$(said | head -1)" = ready ]; }
start() {
    e2e_form_start "$@"
    wait_for 10 "FormShow $* to be ready" said_ready || fail "FormShow $*: $(said)"
}
stop() {
    run_probe key --id $kDestDirEdt --vk 0x1B >/dev/null
    wait "$form_pid"
    form_pid=""
}
items() {
    run_probe items --id "$1" || fail "cannot read the items of control $1: $(cat "$work/probe.err")"
    cat "$work/probe.out"
}
# A control's text as the dump shows it (the drop-down list's: its selected item).
text_of() {
    run_probe dump || fail "cannot dump the window"
    awk -F'\t' -v id="id=$1" '$1 == "ctl" && $2 == id { for (i = 1; i <= NF; i++) if ($i ~ /^text=/) print substr($i, 6) }' \
        "$work/probe.out" | sed 's/^"//; s/"$//; s/\\\\/\\/g'
}
# Whether control $1's text, left in $got, is $2.
text_is() {
    got=$(text_of "$1")
    [ "$got" = "$2" ]
}
# Waits up to $3 tenths of a second for control $1's text to be $2.
expect_text() {
    local got tenths=${3:-20}
    wait_for "$((tenths / 10)).$((tenths % 10))" "control $1 to show \"$2\"" text_is "$1" "$2" ||
        fail "control $1 shows \"$got\", expected \"$2\""
}
# The window to build/screens/NAME, and its client area alone to the work folder.
shot() {
    local cw ch border
    run_probe dump || fail "cannot dump the window"
    IFS=, read -r x y w h <<<"$(grep '^window' "$work/probe.out" | tr '\t' '\n' | sed -n 's/^rect=//p')"
    IFS=, read -r cw ch <<<"$(grep '^window' "$work/probe.out" | tr '\t' '\n' | sed -n 's/^client=//p')"
    import -window root -crop "${w}x${h}+${x}+${y}" +repage "$screens/$1" 2>/dev/null || fail "no screenshot $1"
    border=$(((w - cw) / 2))
    convert "$screens/$1" -crop "${cw}x${ch}+${border}+$((h - ch - border))" +repage "$work/client-$1" 2>/dev/null
}

wine_reg delete "$kUserKey" /f >/dev/null 2>&1
deep="$work/Un/Deux/Trois"
mkdir -p "$deep/Quatre" "$deep/alpha" "$deep/Zèbre" || fail "mkdir"
windeep="$winwork\\Un\\Deux\\Trois"
wine_set_dpi 96 || fail "cannot set 96 dpi"

# A deep folder given by the switch: its ancestors from the root down, then its sub-folders in order.
start --sheet 2 --destination "-d$windeep"
expect_text $kDestDirEdt "$windeep" 0
got=$(items $kDestDirLstBx)
expected="C:\\
$winwork
$winwork\\Un
$winwork\\Un\\Deux
$windeep
$windeep\\alpha
$windeep\\Quatre
$windeep\\Zèbre"
[ "$got" = "$expected" ] || fail "folder list:"$'\n'"$got"$'\n'"expected:"$'\n'"$expected"
note "the folder list shows the deep folder's chain and its sub-folders"
drives=$(items $kDestDirCmbBx)
grep -qx 'c: .*' <<<"$drives" && grep -qx 'f: \[donnees\]' <<<"$drives" && grep -qx 'r: \[cle usb\]' <<<"$drives" ||
    fail "drive list:"$'\n'"$drives"
grep -q '^o:' <<<"$drives" && fail "the optical drive is listed:"$'\n'"$drives"
grep -q '^[ab]:' <<<"$drives" && fail "A: or B: listed:"$'\n'"$drives"
note "drives: $(tr '\n' '|' <<<"$drives")"
shot destdir-deep-96dpi.png
# The drive list dropped down (F4), for a look at its glyphs; F4 again closes it.
run_probe key --id $kDestDirCmbBx --vk 0x73 || fail "cannot press F4"
sleep 0.5
import -window root -crop "${w}x$((h + 120))+${x}+${y}" +repage "$screens/destdir-drives-96dpi.png" 2>/dev/null ||
    fail "no screenshot of the drive list"
run_probe key --id $kDestDirCmbBx --vk 0x73 || fail "cannot press F4"

# A pick of a sub-folder, then of R: with the keyboard (the drop-down list answers the letter typed).
run_probe mouse --id $kDestDirLstBx --at "60,$((6 * kItemHeight + kItemHeight / 2))" || fail "cannot click"
expect_text $kDestDirEdt "$windeep\\Quatre"
run_probe key --id $kDestDirCmbBx --vk 0x52 || fail "cannot type R"
expect_text $kDestDirEdt 'r:\Ulvara'
expect_text $kDestDirCmbBx 'r: [cle usb]' 0
note "picks rewrite the edit"
shot destdir-removable-96dpi.png

# A drive plugged in while the window is open is selected by the polling, and left again when it goes.
run_probe key --id $kDestDirCmbBx --vk 0x43 || fail "cannot type C"
expect_text $kDestDirCmbBx "$(grep '^c: ' <<<"$drives")"
mkdir -p "$work/stick" || fail "mkdir"
wine_out "$work/MountProbe.exe" define "$kNewDrive:" "$work/stick" floppy CLE2 | grep -qx ok || fail "cannot mount $kNewDrive:"
mounted=yes
expect_text $kDestDirCmbBx "q: [cle2]" 25
expect_text $kDestDirEdt 'q:\Ulvara' 0
note "the new drive was selected within about a second"
wine_out "$work/MountProbe.exe" remove "$kNewDrive:" | grep -qx ok || fail "cannot remove $kNewDrive:"
mounted=""
expect_text $kDestDirCmbBx "$(grep '^c: ' <<<"$drives")" 25
expect_text $kDestDirEdt "$kWinProgramFiles\\Ulvara" 0
note "its removal took the lists back to the program-files drive"
stop

# The same page at 144 dpi: glyphs, indents and item heights scale with the rest.
wine_set_dpi 144 || fail "cannot set 144 dpi"
start --sheet 2 --destination "-d$windeep"
shot destdir-deep-144dpi.png
stop
# Moved to a 144-dpi monitor at run time, it must look like the window that started there.
wine_set_dpi 96 || fail "cannot restore 96 dpi"
start --sheet 2 --destination "-d$windeep" --rescale 144
shot destdir-rescaled-144dpi.png
stop
a=$work/client-destdir-deep-144dpi.png b=$work/client-destdir-rescaled-144dpi.png
differing=$(command compare -metric AE -fuzz 8% "$a" "$b" null: 2>&1) || true
total=$(identify -format '%[fx:w*h]' "$a")
[ -n "$differing" ] && [ "${differing%.*}" -le $((total / 200)) ] ||
    fail "the rescaled page differs from the one started at 144 dpi in $differing of $total pixels"
note "rescaled at run time: $differing of $total pixels differ from the page started at 144 dpi"
note "ok"
