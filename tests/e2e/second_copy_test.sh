#!/usr/bin/env bash
# Two copies of the real setup under Wine: the second, started while the first shows its wizard, says that
# the setup is already running and ends with 1618 (ERROR_INSTALL_ALREADY_RUNNING) without a wizard of its
# own; the first goes on as if nothing had happened, and once it has ended a copy starts as usual again.
#   second_copy_test.sh SETUP E2E_DIR
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/wizard_lib.sh"
[ $# -eq 2 ] || { echo "usage: second_copy_test.sh SETUP E2E_DIR" >&2; exit 2; }
setup=$1 tools=$2
e2e_workdir
second_pid=""
second_kill() {
    [ -n "$second_pid" ] || return 0
    kill "$second_pid" 2>/dev/null
    wait "$second_pid" 2>/dev/null
    second_pid=""
}
trap 'second_kill; wizard_kill; wizard_clean_machine; e2e_cleanup' EXIT
wizard_tools "$tools"
# The second copy from another file, as a second download would be: the guard goes by name, not by file.
readonly kSecondExe='ulvara-3.3.3.1-fr.exe'
cp "$setup" "$work/$kSecondExe" || fail "cannot copy the setup"
# A batch file waits for a GUI program and reads its whole exit code; wine's own status keeps 8 bits.
printf '@echo off\r\n"%%~1"\r\necho exit=%%ERRORLEVEL%%\r\n' >"$work/second.cmd"

wizard_abandon() {
    wizard_click "$kCancel"
    dialog_shown "$kConfirmationTitle"
    dialog_answer "$kConfirmationTitle" "$kMsgAbort"
    wizard_end
    # Abandoned by the person: 1602, of which the shell keeps the low byte (66).
    [ "$setup_rc" -eq 66 ] || fail "the setup ended with $setup_rc after being abandoned, expected 1602 (66)"
}

wizard_clean_machine
wizard_start "$setup"
timeout 60 wine cmd /c "$winwork\\second.cmd" "$winwork\\$kSecondExe" </dev/null >"$work/second.out" 2>/dev/null &
second_pid=$!
box=$(wine_out "$work/WinProbe.exe" wait-window --class "#32770" --title "$kWizardTitle" --timeout 20000)
[ -n "$box" ] || fail "the second copy shows no message"
import -window root "$screens/second-copy.png" 2>/dev/null || note "no screenshot"
grep -qF "${kAlreadyRunningLines[0]}" <<<"$box" ||
    fail "not the message of a setup already running: $box"
grep -q "icon=exclamation" <<<"$box" || fail "not the exclamation icon: $box"
[ "$(grep -c 'child class="Button"' <<<"$box")" -eq 1 ] || fail "not a single OK: $box"
wiz click --class "#32770" --title "$kWizardTitle" --button "$kMsgOk" || fail "cannot answer the message"
wait "$second_pid"
second_pid=""
second_exit=$(tr -d '\r' <"$work/second.out" | sed -n 's/^exit=//p')
[ "$second_exit" = 1618 ] || fail "the second copy ended with \"$second_exit\", expected 1618: $(cat "$work/second.out")"
note "the second copy shows its message and ends with 1618"

kill -0 "$setup_pid" 2>/dev/null || fail "the first copy has gone"
wizard_at_page 0 2000
wizard_next 1
wizard_abandon
note "the first copy goes on and closes as usual"

wizard_start "$setup"
wizard_abandon
note "once the first has ended, a copy starts as usual"
note "ok"
