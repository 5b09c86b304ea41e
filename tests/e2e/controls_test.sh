#!/usr/bin/env bash
# The wizard window's real controls under Wine, driven the way the user drives them: the components list
# keeps its item texts in the control, draws its check boxes (a greyed one too) and folder glyphs without
# their key colour, toggles by the user's rule on a click in the box or the space bar and only selects on a
# click in the text; Alt+letter focuses a label's control on the shown sheet; Enter is Next's, Tab runs
# from the page to the buttons, Esc closes the window; typed text stands in the edit in the order typed;
# after a question the focus is back where it was; the message dialog answers Enter with the focused
# button and Esc with its cancel-like one. A screenshot goes to build/screens.
#   controls_test.sh FormShow.exe E2E_DIR
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/../../scripts/lib/wine.sh"
[ $# -eq 2 ] || { echo "usage: controls_test.sh FormShow.exe E2E_DIR" >&2; exit 2; }
formshow=$1 tools=$2
readonly kTitle=$kWizardTitle kItemHeight=16 probe_title=$kWizardTitle
e2e_formshow "$formshow" "$tools"

# Waits until FormShow has said N lines in all.
said_lines() { [ "$(said | grep -c .)" -ge "$1" ]; }
wait_lines() {
    wait_for 10 "FormShow to say $1 lines" said_lines "$1" ||
        fail "FormShow said $(said | grep -c .) lines, expected $1:"$'\n'"$(said)"
}

start() {
    e2e_form_start "$@"
    wait_lines 1
    [ "$(said | head -1)" = ready ] || fail "FormShow $*: $(said)"
}

expect_said() {
    local expected=$1
    wait_lines "$(grep -c . <<<"$expected")"
    sleep 0.3 # nothing more may follow
    [ "$(said)" = "$expected" ] || fail "FormShow said:"$'\n'"$(said)"$'\n'"expected:"$'\n'"$expected"
}

expect_focus() {
    run_probe focus || fail "no focus: $(cat "$work/probe.err")"
    [ "$(cat "$work/probe.out")" = "$1" ] || fail "focus on control $(cat "$work/probe.out"), expected $1 ($2)"
}

finish() {
    run_probe key --id "$1" --vk 0x1B || fail "cannot press Esc"
    wait "$form_pid"
    form_pid=""
    [ "$(said | tail -1)" = "closed 2" ] || fail "Esc did not close the window with 2:"$'\n'"$(said)"
}

# Client point of item I's check box, or of its text.
box_of() { echo "6,$(($1 * kItemHeight + kItemHeight / 2))"; }
text_of() { echo "120,$(($1 * kItemHeight + kItemHeight / 2))"; }

start --sheet 3 --components
run_probe items --id $kSelCompLstBx || fail "cannot read the list's items: $(cat "$work/probe.err")"
[ "$(cat "$work/probe.out")" = "$(printf '%s\n' "${kComponentNames[@]}")" ] || fail "items read from the list:"$'\n'"$(cat "$work/probe.out")"
note "the list holds the seven item texts"

run_probe dump || fail "cannot dump the window"
IFS=, read -r x y w h <<<"$(grep '^window' "$work/probe.out" | tr '\t' '\n' | sed -n 's/^rect=//p')"
shot=$screens/wizard-components.png
import -window root -crop "${w}x${h}+${x}+${y}" +repage "$shot" 2>/dev/null || fail "no screenshot"
# The glyphs' key colour (magenta) must never reach the screen.
magenta=$(convert "$shot" -fill black +opaque '#FF00FF' -fill white -opaque '#FF00FF' -format '%[fx:mean*w*h]' info:)
[ "${magenta%.*}" -eq 0 ] || fail "$magenta magenta pixels in $shot"
note "screenshot $shot: no key colour shown"

expect_focus $kSelCompLstBx "the list, first on its sheet"
# Each action once the one before has been answered: a click that comes while the list still tracks the
# last one may be taken into it.
run_probe mouse --id $kSelCompLstBx --at "$(box_of 0)" # greyed becomes unchecked
wait_lines 3
run_probe mouse --id $kSelCompLstBx --at "$(box_of 0)" # unchecked becomes checked
wait_lines 4
run_probe mouse --id $kSelCompLstBx --at "$(text_of 4)" # selects only
wait_lines 5
run_probe key --id $kSelCompLstBx --vk 0x20 # space: unchecked becomes checked
wait_lines 6
run_probe mouse --id $kSelCompLstBx --at "$(box_of 1)" # checked becomes unchecked
expect_said "ready
select 0
check 0 unchecked
check 0 checked
select 4
check 4 checked
select 1
check 1 unchecked"
note "the user's toggles: greyed and checked become unchecked, unchecked becomes checked; a text click selects"

run_probe syschar --char d # the destination label is on a hidden sheet
expect_focus $kSelCompLstBx "Alt+D does nothing on the components page"
run_probe key --id $kSelCompLstBx --vk 0x09
expect_focus $kNextBtn "Tab from the list goes to Next (Back is hidden)"
run_probe key --id $kNextBtn --vk 0x09
expect_focus $kCancelBtn "then to Cancel"
run_probe syschar --char c
expect_focus $kSelCompLstBx "Alt+C focuses the components list"
finish $kSelCompLstBx
note "Tab order, Alt+C, Esc"

start --sheet 2 --ask
run_probe syschar --char d
expect_focus $kDestDirEdt "Alt+D focuses the destination edit"
for vk in 0x44 0x45 0x46; do run_probe key --id $kDestDirEdt --vk $vk; done # d, e, f
run_probe dump || fail "cannot dump the window"
typed=$(awk -F'\t' -v id="id=$kDestDirEdt" '$2 == id { sub(/^text=/, "", $NF); print $NF }' "$work/probe.out")
[ "$typed" = def ] || fail "typed d, e, f into the edit, which holds '$typed'"
note "typed text stands in the order typed"
# Enter is Next's; its question comes over the window and takes the keys; the window gets its focus back.
run_probe key --id $kDestDirEdt --vk 0x0D
wait_lines 2
timeout 60 wine "$probe" wait-window --title "$kConfirmationTitle" --timeout 20000 </dev/null >/dev/null 2>&1 ||
    fail "no question after Next"
timeout 60 wine "$probe" key --title "$kConfirmationTitle" --id $kMsgYesId --vk 0x1B </dev/null >/dev/null 2>&1
expect_said "ready
next
answer 7"
expect_focus $kDestDirEdt "the edit again once the question is answered"
finish $kDestDirEdt
note "Alt+D, Enter is Next's, Esc answers No, the focus comes back, Esc closes"

# The message dialog's keys: Enter answers the default (Retry), Tab then Enter the button focused
# (Ignore), Esc the cancel-like one (Abandon).
ask_message() {
    local keys=$1 expected=$2 vk id
        e2e_form_start --message
    timeout 60 wine "$probe" wait-window --title "$kErrorTitle" --timeout 20000 </dev/null >/dev/null 2>&1 ||
        fail "no message dialog"
    for key in $keys; do
        IFS=: read -r id vk <<<"$key"
        timeout 60 wine "$probe" key --title "$kErrorTitle" --id "$id" --vk "$vk" </dev/null >/dev/null 2>&1
        sleep 0.3
    done
    wait "$form_pid"
    form_pid=""
    [ "$(said)" = "result $expected" ] || fail "keys $keys: '$(said)', expected 'result $expected'"
}
r=$kMsgRetryId i=$kMsgIgnoreId
ask_message "$r:0x0D" $r
ask_message "$r:0x09 $i:0x0D" $i
# Esc answers nothing in the abandon, retry or ignore question: the dialog stays, and Enter then retries.
ask_message "$r:0x1B $r:0x0D" $r
note "the message dialog: Enter, Tab and Enter, Esc ignored"
note "ok"
