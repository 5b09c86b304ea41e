#!/usr/bin/env bash
# The real setup starting under Wine: it loads its payload and ends cleanly; on a Windows older than 2000
# (Wine set to report one) it shows only the refusal; with a damaged payload it says so and fails; an
# unattended run with a bad switch ends at once.
#   startup_test.sh SETUP.exe E2E_DIR
source "$(dirname "$0")/lib.sh"
setup=$1 tools=$2
e2e_workdir
exe_name=ulvara-3.3.3.1-fr.exe
cp "$setup" "$work/$exe_name" && cp "$tools/WinProbe.exe" "$tools/ResourceProbe.exe" "$work/" || fail "copy"
exe="$work/$exe_name"
trap 'wine_version_for $exe_name ""; e2e_cleanup' EXIT

screens="$(dirname "$setup")/../screens"
mkdir -p "$screens"

# On a supported Windows it loads its payload and opens the wizard; closed, it ends with 0.
e2e_setup_wizard_closed "$exe" "$work/WinProbe.exe" "$screens/setup-wizard.png" ||
    fail "default Windows version: no wizard window"
# A closed wizard is the person's cancel: 1602, of which the shell keeps the low byte (66).
[ $rc -eq 66 ] || fail "default Windows version: exit $rc after closing the wizard, expected 1602 (66)"
note "loads its payload, opens the wizard and exits 1602 once it is closed"

# An unattended run with a switch it does not know ends at once with 87 (ERROR_INVALID_PARAMETER),
# showing nothing and writing nothing.
reg_clear
rc=0
timeout 60 wine "$exe" /VERYSILENT /NOPE </dev/null >/dev/null 2>&1 || rc=$?
[ $rc -eq 87 ] || fail "exit $rc after an unknown switch in an unattended run, expected 87"
! key_exists "$kInstallKey" || fail "the install key was made by a run that ended on a bad switch"
note "an unknown switch in an unattended run: exit 87, nothing written"

# Runs the setup in the background, reads the message box it shows, answers OK and checks the exit code.

expect_box() {
    local title=$1 text=$2 icon=$3 expected_rc=$4 shot=$5 box pid rc
    timeout 60 wine "$exe" </dev/null >/dev/null 2>&1 &
    pid=$!
    box=$(wine_out "$work/WinProbe.exe" wait-window --class "#32770" --title "$title" --timeout 20000)
    [ -n "$box" ] || { kill $pid; fail "no message box titled '$title'"; }
    import -window root "$screens/$shot.png" 2>/dev/null || note "no screenshot ($shot)"
    grep -qF "text=\"$text" <<<"$box" || fail "message text not found in: $box"
    grep -q "icon=$icon" <<<"$box" || fail "icon is not $icon: $box"
    buttons=$(grep -c 'child class="Button"' <<<"$box")
    [ "$buttons" -eq 1 ] || fail "$buttons buttons, expected the single OK: $box"
    wine_out "$work/WinProbe.exe" click --class "#32770" --title "$title" --button "$kMsgOk" >/dev/null ||
        fail "cannot click OK"
    wait $pid
    rc=$?
    [ $rc -eq "$expected_rc" ] || fail "exit $rc after the message, expected $expected_rc"
}

for version in nt40 win98; do
    wine_version_for $exe_name $version
    # No title of its own: the system's default one.
    expect_box "Error" "$kOldWindowsText" exclamation 1 "refusal-$version"
    note "$version: refusal shown alone, exclamation icon, single OK"
done
wine_version_for $exe_name ""

# The same program with its payload cut in half.
payload="$(dirname "$setup")/payload.bin"
[ -f "$payload" ] || fail "no $payload"
head -c $(($(stat -c %s "$payload") / 2)) "$payload" >"$work/half.bin"
wine_out "$work/ResourceProbe.exe" replace "$winwork\\$exe_name" "$winwork\\half.bin" >/dev/null ||
    fail "cannot replace the payload"
expect_box "$kWizardTitle" "${kDamagedSetupLines[0]}" hand 2 damaged-payload
note "damaged payload: message and exit 2"
note "ok"
