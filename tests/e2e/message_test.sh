#!/usr/bin/env bash
# The setup's question for a file that cannot be written, under Wine: a dialog titled "Erreur" with the
# error icon, the text naming the file, and "A&bandonner", "&Réessayer", "I&gnorer" from left to
# right, each answering with its own result code. A screenshot goes to build/screens.
#   message_test.sh FormShow.exe E2E_DIR
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/../../scripts/lib/wine.sh"
[ $# -eq 2 ] || { echo "usage: message_test.sh FormShow.exe E2E_DIR" >&2; exit 2; }
formshow=$1 tools=$2
readonly kTitle=$kErrorTitle
readonly kButtons=("$kMsgAbort" "$kMsgRetry" "$kMsgIgnore") kResults=($kMsgAbortId $kMsgRetryId $kMsgIgnoreId)
e2e_formshow "$formshow" "$tools"

# A text as WinProbe's dump writes it: Windows-1252, with \\, \r and \xNN.
dumped() {
    printf '%s' "$1" | iconv -f UTF-8 -t CP1252 |
        perl -pe 's/\\/\\\\/g; s/\r/\\r/g; s/([\x80-\xFF])/sprintf("\\x%02X", ord $1)/ge'
}

field() { awk -F'\t' -v key="$1=" '{ for (i = 2; i <= NF; i++) if (index($i, key) == 1) print substr($i, length(key) + 1) }'; }

# The dump's lines for the controls of a class (compared without case, as Windows does).
controls() { awk -F'\t' -v class="class=$1" '$1 == "ctl" && tolower($3) == tolower(class)' "$2"; }

show_dialog() {
    if run_probe wait-window --title "$kTitle" --timeout 0; then fail "a window titled $kTitle is already open"; fi
        e2e_form_start --message
}

# Answers with the button and checks the code FormShow reports for it.
answer() {
    local button=$1 result=$2 said status=0
    run_probe click --title "$kTitle" --button "$button" --timeout 20000 ||
        fail "cannot press '$button': $(cat "$work/probe.err")"
    wait_for 20 "FormShow to end" form_ended || fail "FormShow still runs 20 s after '$button'"
    wait "$form_pid" || status=$?
    form_pid=""
    said=$(tr -d '\r' <"$work/form.out")
    [ $status -eq 0 ] || fail "FormShow exited $status after '$button'"
    [ "$said" = "result $result" ] || fail "'$button' gave '$said', expected 'result $result'"
    note "'$button' answers $result"
}

check_dialog() {
    local dump=$work/dialog.txt x y w h
    run_probe dump --title "$kTitle" --timeout 20000 || fail "no dialog titled $kTitle: $(cat "$work/probe.err")"
    cp "$work/probe.out" "$dump"
    IFS=, read -r x y w h <<<"$(grep '^window' "$dump" | field rect)"
    import -window root -crop "${w}x${h}+${x}+${y}" +repage "$screens/message-abort-retry-ignore.png" 2>/dev/null ||
        note "no screenshot"
    local icons texts start end buttons
    icons=$(controls static "$dump" | grep -P '\tkind=icon\t' | field icon | tr '\n' ' ')
    [ "$icons" = "hand " ] || fail "icons shown: '$icons', expected the error icon (hand) alone"$'\n'"$(cat "$dump")"
    start=$(dumped "$kCannotCreateStart") end=$(dumped "$kCannotCreateEnd")
    texts=$(controls static "$dump" | field text | grep -F -- "$start")
    [ "$(grep -c . <<<"$texts")" -eq 1 ] || fail "no single text beginning '$start'"$'\n'"$(cat "$dump")"
    [ "${texts%"$end"}" != "$texts" ] || fail "the text does not end '$end'"$'\n'"$(cat "$dump")"
    # Left to right by their place in the dialog, with their control ids.
    buttons=$(controls button "$dump" |
        awk -F'\t' '{ split(substr($6, 6), r, ","); printf "%d\t%s %s %s\n", r[1], $2, substr($7, 9), $NF }' |
        sort -n | cut -f2 | tr '\n' ' ')
    local expected="" i
    for i in 0 1 2; do
        expected+="id=${kResults[i]} 1 text=$(dumped "${kButtons[i]}") "
    done
    [ "$buttons" = "$expected" ] ||
        fail "buttons (id, visible, caption) left to right: '$buttons', expected '$expected'"$'\n'"$(cat "$dump")"
    note "titled $kTitle, error icon, the text, three buttons in order"
}

show_dialog
check_dialog
answer "${kButtons[0]}" "${kResults[0]}"
for i in 1 2; do
    show_dialog
    answer "${kButtons[i]}" "${kResults[i]}"
done

# A handler that throws, reached by a click, by Enter or by its accelerator, and a close question that
# throws (the keys and the close question are the window's own loop's, not a window procedure's): the
# failure is reported in a message box over the window, which then ends with 2 instead of the program
# disappearing.
readonly kWizard=$kWizardTitle
for way in click enter alt close; do
    e2e_form_start --sheet 0 --throw
    run_probe wait-window --class UlvaraForm --title "$kWizard" --timeout 20000 || fail "no wizard window"
    case $way in
    click) run_probe click --class UlvaraForm --title "$kWizard" --button "$kNext" ;;
    enter) run_probe key --title "$kWizard" --id $kNextBtn --vk 0x0D ;;
    alt) run_probe syschar --title "$kWizard" --char s ;;
    close) run_probe close --class UlvaraForm --title "$kWizard" ;;
    esac || fail "cannot fail by $way"
    run_probe dump --class "#32770" --title "$kWizard" --timeout 20000 ||
        fail "no message box after the failure ($way): $(cat "$work/form.err")"
    grep -qF "$(dumped "${kUnexpectedFailureLines[0]}")" "$work/probe.out" ||
        fail "the message box does not say what happened"$'\n'"$(cat "$work/probe.out")"
    run_probe click --class "#32770" --title "$kWizard" --button "$kMsgOk" || fail "cannot close the message box"
    wait_for 20 "FormShow to end" form_ended
    wait "$form_pid" 2>/dev/null
    form_pid=""
    grep -qx "closed 2" <(tr -d '\r' <"$work/form.out") ||
        fail "after the failure ($way): '$(cat "$work/form.out")', expected 'closed 2'"
    note "a failure by $way is reported and ends the window with 2"
done
note "ok"
