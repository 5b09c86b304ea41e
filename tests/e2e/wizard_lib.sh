# Shared by the tests that run the real setup through its wizard or unattended under Wine (sourced after
# lib.sh): starting it, walking its pages by their titles, answering its dialogs, the files other programs
# hold or leave in its way, and the traces an installation leaves on the machine (folders, shortcuts,
# registry keys), which every such test removes before and after it runs.
#   wizard_tools E2E_DIR; wizard_start SETUP [ARGS...]; wizard_next PAGE ...; wizard_click CAPTION; wizard_end
#   unattended_image SETUP; unattended SWITCHES...; expect_code CODE WHAT
# Needs $work from e2e_workdir; install_check needs $payload_win, the payload's Windows path.

readonly kLinkName="Traitement de texte Ulvara.lnk"
drive_c=$WINEPREFIX/drive_c
wine_user=$(id -un)
# The Windows folders the setup uses, as this Wine prefix names them, and their Linux paths.
readonly kWinProgDir="$kWinProgramFiles\\Ulvara" kWinDataRoot='C:\ProgramData\Ulvara'
readonly kWinCommonPrograms='C:\ProgramData\Microsoft\Windows\Start Menu\Programs'
readonly kWinCommonDesktop='C:\users\Public\Desktop'
prog_dir=$drive_c/${kWinProgramFiles#C:\\}/Ulvara
data_root=$drive_c/ProgramData/Ulvara
# The repository (for build/screens), and the Linux folder behind the removable drive R: of the prefix.
ULV_ROOT=${ULV_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
removable_root=$(readlink -f "$WINEPREFIX/dosdevices/r:")
[ -n "$removable_root" ] || fail "the prefix has no drive R:"
link_paths=("$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/$kLinkName"
    "$drive_c/users/Public/Desktop/$kLinkName"
    "$drive_c/users/$wine_user/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/$kLinkName"
    "$drive_c/users/$wine_user/Desktop/$kLinkName")

# Everything an installation may have left, so that each scenario starts from a machine that never saw one.
wizard_clean_machine() {
    rm -rf "$prog_dir" "$data_root" "$removable_root/Ulvara" "${link_paths[@]}"
    reg_clear
}

# The probes run from the work folder: the setup's own folder must hold nothing of ours.
# The payload beside the tools, for InstallCheck; $payload_win is its Wine path.
wizard_payload() {
    cp "$1" "$work/payload.bin" || fail "cannot copy the payload"
    payload_win="$winwork\\payload.bin"
}

wizard_tools() {
    local tools=$1 tool
    for tool in WinProbe InstallCheck HoldFile; do
        cp "$tools/$tool.exe" "$work/" || fail "cannot copy $tool"
    done
    screens=$ULV_ROOT/build/screens
    mkdir -p "$screens"
}

# WinProbe against the wizard (or, with --title given first, another window); what it prints is in
# $work/probe.out, its complaints in $work/probe.err.
wiz() {
    local command=$1
    shift
    case " $* " in
    *" --title "*) ;;
    *) set -- --class UlvaraForm --title "$kWizardTitle" "$@" ;;
    esac
    local rc=0 try
    for try in 1 2; do
        rc=0
        timeout 60 wine "$work/WinProbe.exe" "$command" "$@" </dev/null >"$work/probe.out" 2>"$work/probe.err" || rc=$?
        # The probe says something on every way out; a failure with no word at all is Wine's loader failing
        # to start it (seen once in many runs), which a second start gets past.
        [ $rc -ne 0 ] && [ ! -s "$work/probe.out" ] && [ ! -s "$work/probe.err" ] || break
        echo "wiz: WinProbe $command ended with $rc and no output; starting it again" >&2
    done
    return $rc
}

setup_pid=""
# Starts the setup with these arguments and waits for its welcome page.
wizard_start() {
    local setup=$1
    shift
    timeout 120 wine "$setup" "$@" </dev/null >"$work/setup.out" 2>&1 &
    setup_pid=$!
    wizard_at_page 0 20000
}

# Waits until the title band shows page $1's title.
wizard_at_page() {
    wiz wait-text --id $kTopLbl --text "${kPageTitles[$1]}" --timeout "${2:-15000}" ||
        fail "the wizard did not reach page $1: $(cat "$work/probe.err")"
}

wizard_click() {
    wiz click --button "$1" --timeout "${2:-5000}" ||
        fail "cannot click \"$1\" (probe exit $?): $(cat "$work/probe.err" "$work/probe.out")"
}

wizard_next() {
    wizard_click "$kNext"
    wizard_at_page "$1"
}

# Waits for a message dialog titled $1 and leaves what it shows in $work/dialog.txt.
dialog_shown() {
    timeout 60 wine "$work/WinProbe.exe" wait-window --title "$1" --timeout "${2:-10000}" </dev/null \
        >"$work/dialog.txt" 2>"$work/probe.err" || fail "no dialog titled \"$1\""
}

dialog_answer() {
    wiz click --title "$1" --button "$2" --timeout 5000 || fail "cannot answer \"$2\" in \"$1\""
}

# Waits for the setup to end and leaves its exit status in $setup_rc (124: it did not end in time).
wizard_end() {
    setup_rc=0
    wait "$setup_pid" || setup_rc=$?
    setup_pid=""
    [ "$setup_rc" -ne 124 ] || fail "the setup did not end"
}

wizard_kill() {
    [ -n "${setup_pid:-}" ] || return 0
    kill "$setup_pid" 2>/dev/null
    wait "$setup_pid" 2>/dev/null
    setup_pid=""
}

# The wizard's window to build/screens/NAME.
wizard_shot() {
    local x y w h
    wiz dump || fail "cannot dump the wizard"
    IFS=, read -r x y w h <<<"$(grep '^window' "$work/probe.out" | tr '\t' '\n' | sed -n 's/^rect=//p')"
    import -window root -crop "${w}x${h}+${x}+${y}" +repage "$screens/$1" 2>/dev/null || fail "no screenshot $1"
}

# Control $1's field $2 (visible, enabled, checked...) as the dump shows it.
control_field() {
    wiz dump || fail "cannot dump the wizard"
    awk -F'\t' -v id="id=$1" -v key="$2=" '$1 == "ctl" && $2 == id {
        for (i = 3; i <= NF; i++) if (index($i, key) == 1) print substr($i, length(key) + 1) }' "$work/probe.out"
}

# Runs the setup as deployment tools run it, with these switches, through a batch file, which waits for a GUI
# program and reads its whole exit code (the shell's status keeps 8 bits), into $code; the run log into
# $work/run.txt (UTF-8). unattended_begin starts it in the background, unattended_end waits for it. The
# setup runs from the work folder under its own name (unattended_image), as a watcher finds it.
readonly kImage='ulvara-3.3.3.1-fr.exe'
unattended_image() { cp "$1" "$work/$kImage" || fail "cannot copy the setup"; }
unattended_begin() {
    printf '@echo off\r\n"%s" /LOG="%s" %s\r\necho exit=%%ERRORLEVEL%%\r\n' "$winwork\\$kImage" \
        "$winwork\\run.log" "$*" >"$work/run.cmd"
    rm -f "$work/run.log"
    timeout 150 wine cmd /c "$winwork\\run.cmd" </dev/null >"$work/run.out" 2>/dev/null &
    run_pid=$!
}
unattended_end() {
    wait "$run_pid"
    code=$(tr -d '\r' <"$work/run.out" | sed -n 's/^exit=//p')
    run_log_text
}
unattended() {
    unattended_begin "$@"
    unattended_end
}
run_log_text() { iconv -f CP1252 -t UTF-8 "$work/run.log" 2>/dev/null | tr -d '\r' >"$work/run.txt"; }
expect_code() { [ "$code" = "$1" ] || fail "$2: exit code \"$code\", expected $1; run log:
$(cat "$work/run.txt")"; }

# Holds the file at Windows path $1 open without sharing, as another program would, until holds_release;
# $2 is the Linux folder to make for it first.
hold_pids=()
hold_file() {
    mkdir -p "$2" || fail "cannot make $2"
    rm -f "$work/hold.out"
    timeout 150 wine "$work/HoldFile.exe" "$1" "$winwork\\stop" </dev/null >"$work/hold.out" 2>&1 &
    hold_pids+=($!)
    wait_for 10 "HoldFile to hold $1" grep -qs '^held' "$work/hold.out" ||
        fail "HoldFile: $(cat "$work/hold.out")"
}
holds_release() {
    [ ${#hold_pids[@]} -gt 0 ] || return 0
    : >"$work/stop"
    wait "${hold_pids[@]}" 2>/dev/null
    hold_pids=()
    rm -f "$work/stop"
}

# $2 files named as the setup names its work files ("~Ulvara1.tmp"...) in the Linux folder $1, as writes
# cut short leave them. The setup opens and removes them one by one before its first write into that folder
# (about 2 ms each under Wine here): a few thousand keep the worker on that file for seconds, as a slow disk
# would, while the window stays free for the person.
plant_work_files() {
    mkdir -p "$1" && (cd "$1" && seq 1 "$2" | sed 's/.*/~Ulvara&.tmp/' | xargs touch) ||
        fail "cannot plant work files in $1"
}
# No work file of the setup left in the installation's folders; $1 names the run in a failure.
expect_no_work_files() {
    local left
    left=$(find "$prog_dir" "$data_root" -name '~Ulvara*.tmp' 2>/dev/null | head -n 5)
    [ -z "$left" ] || fail "$1: work files left:
$left"
}

# InstallCheck files: one "STATUS<TAB>PATH" line per file the worker writes, in its order.
install_check() {
    timeout 60 wine "$work/InstallCheck.exe" files "$payload_win" "$1" "$2" </dev/null 2>&1 | tr -d '\r'
}

# The lines of a CR LF file, without the CRs; fails when a line ends otherwise.
crlf_lines() {
    [ -f "$1" ] || fail "$1 missing"
    local lf cr
    lf=$(tr -cd '\n' <"$1" | wc -c)
    cr=$(grep -c $'\r$' "$1")
    [ "$lf" -eq "$cr" ] && [ "$(tail -c 2 "$1" | od -An -c | tr -d ' ')" = '\r\n' ] ||
        fail "$1 does not end every line with CR LF"
    tr -d '\r' <"$1"
}

# The 8 bytes of a little-endian double at offset $2 of file $1, as 16 upper-case hexadecimal digits.
hex_at() { od -An -tx1 -j "$2" -N 8 "$1" | tr -d ' \n' | tr a-f A-F; }
# The same double as a number.
double_at() {
    perl -e 'open F, "<", $ARGV[0] or exit 1; binmode F; seek F, $ARGV[1], 0; read F, $b, 8; printf "%.9f\n", unpack("d<", $b)' \
        "$1" "$2"
}
# Now as the setup stamps it: days since 1899-12-30 in local time.
ole_now() { perl -MTime::Local -e 'printf "%.9f\n", timegm(localtime) / 86400 + 25569'; }
# Whether two day counts lie within $3 seconds of each other.
near() { perl -e 'exit(abs($ARGV[0] - $ARGV[1]) * 86400 <= $ARGV[2] ? 0 : 1)' "$1" "$2" "$3"; }
