# Shared by the end-to-end tests: each runs the real programs under the Wine prefix the caller prepared
# (scripts/lib/wine.sh: WINEPREFIX exported, wineserver running, DISPLAY on a virtual desktop).
set -u

e2e_name=$(basename "$0" .sh)

fail() {
    echo "$e2e_name: FAIL: $*" >&2
    exit 1
}

note() { echo "$e2e_name: [${SECONDS}s] $*"; }

# wait_for SECONDS WHAT COMMAND [ARGUMENTS...]: runs COMMAND now and again every 0.1 s until it succeeds, at
# most SECONDS (tenths allowed: 2.5) times ten times more; if it never does, says what was awaited and returns
# 1. COMMAND runs in this shell: it may be a function of the test that sets variables or calls fail.
wait_for() {
    local seconds=$1 what=$2 tenths=0 try
    shift 2
    [[ $seconds == *.* ]] && tenths=${seconds#*.}
    tenths=$((10#${seconds%.*} * 10 + 10#${tenths:0:1}))
    for ((try = 0; try <= tenths; try++)); do
        ((try == 0)) || sleep 0.1
        "$@" && return 0
    done
    echo "$e2e_name: waited $seconds s for $what" >&2
    return 1
}

[ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX/drive_c" ] || fail "WINEPREFIX does not name a prepared prefix"
# What the checks drive the setup by (control ids, captions, titles, registry keys), which the build takes
# from the program's code (tests/e2e/facts) into the file ULV_E2E_FACTS names.
[ -f "${ULV_E2E_FACTS:-}" ] && source "$ULV_E2E_FACTS" || fail "ULV_E2E_FACTS names no facts.sh of the build"

# The checks read the machine as the setup sees it, a program of ULV_TARGET_BITS bits (set by the build).
# A 32-bit program on a 64-bit Windows (a WoW64 prefix) is given "C:\Program Files (x86)" and the 32-bit
# view of HKLM\Software, which a 64-bit program sees under HKLM\Software\WOW6432Node and which Wine's
# 64-bit reg.exe shows with /reg:32; HKCU\Software is one key for both. On a 32-bit Windows, or for a 64-bit
# setup on a 64-bit one, there is one view and "C:\Program Files".
if [ "${ULV_TARGET_BITS:-32}" = 32 ] && [ "${WINEARCH:-win64}" = win64 ]; then
    kWinProgramFiles='C:\Program Files (x86)' reg_view=/reg:32
else
    kWinProgramFiles='C:\Program Files' reg_view=
fi
readonly kWinProgramFiles reg_view
# Wine's reg.exe in the setup's view of the registry.
wine_reg() { timeout 30 wine reg "$@" ${reg_view:+"$reg_view"}; }

# A fresh folder on drive C: for this run, removed at the end; $work is its Linux path, $winwork the
# Windows one.
e2e_workdir() {
    work=$(mktemp -d "$WINEPREFIX/drive_c/e2e-$e2e_name.XXXXXX") || fail "cannot make a folder in the prefix"
    winwork="C:\\$(basename "$work")"
    trap 'e2e_cleanup' EXIT
}

e2e_cleanup() {
    [ -n "${work:-}" ] && rm -rf "$work"
    return 0
}

# Output of a Windows console program without the carriage returns.
wine_out() { timeout 60 wine "$@" </dev/null 2>/dev/null | tr -d '\r'; }

# Sets the Windows version Wine reports to one program ("" removes the setting).
wine_version_for() {
    local exe=$1 version=$2 key="HKCU\\Software\\Wine\\AppDefaults\\$1"
    if [ -n "$version" ]; then
        wine_reg add "$key" /v Version /d "$version" /f >/dev/null 2>&1 || fail "cannot set $key"
    else
        wine_reg delete "$key" /f >/dev/null 2>&1
    fi
    return 0
}

# For the tests that show the wizard's window through FormShow.exe beside WinProbe.exe: sets $screens
# (build/screens), copies the probe into the work folder as $probe, and stops a FormShow still running
# ($form_pid) when the test ends. A test with more to undo calls e2e_form_stop from its own trap.
e2e_formshow() {
    formshow=$1
    screens=$ULV_ROOT/build/screens
    mkdir -p "$screens"
    [ -f "$formshow" ] || fail "FormShow not found: $formshow"
    e2e_workdir
    cp "$2/WinProbe.exe" "$work/" || fail "cannot copy WinProbe"
    probe=$work/WinProbe.exe
    form_pid=""
    trap 'e2e_form_stop; e2e_cleanup' EXIT
}

# Starts FormShow with these arguments in the background; what it says goes to $work/form.out.
e2e_form_start() {
    : >"$work/form.out"
    timeout 120 wine "$formshow" "$@" </dev/null >"$work/form.out" 2>"$work/form.err" &
    form_pid=$!
}

# WinProbe from the work folder, its output in files, not pipes (Wine's helpers would keep a pipe open):
# what it prints in $work/probe.out, its complaints in $work/probe.err; at the window titled $probe_title
# when that is set.
run_probe() {
    timeout 60 wine "$probe" "$@" ${probe_title:+--title "$probe_title"} </dev/null >"$work/probe.out" 2>"$work/probe.err"
}
form_ended() { ! kill -0 "$form_pid" 2>/dev/null; }
# What FormShow has said so far.
said() { tr -d '\r' <"$work/form.out"; }

e2e_form_stop() {
    [ -n "${form_pid:-}" ] || return 0
    kill "$form_pid" 2>/dev/null
    wait "$form_pid" 2>/dev/null
    form_pid=""
}

# Starts the setup, waits for its wizard, closes it and leaves the setup's exit code in $rc (124 when it
# did not end in 60 s). The probe is given by path: it must not run beside planted DLLs.
e2e_setup_wizard_closed() {
    local exe=$1 probe_exe=$2 shot=${3:-} pid
    timeout 60 wine "$exe" </dev/null >/dev/null 2>&1 &
    pid=$!
    if ! wine_out "$probe_exe" wait-window --class UlvaraForm --title "$kWizardTitle" --timeout 20000 >/dev/null; then
        kill "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
        return 1
    fi
    [ -n "$shot" ] && { import -window root "$shot" 2>/dev/null || true; }
    wine_out "$probe_exe" close --title "$kWizardTitle" >/dev/null
    # Closing the wizard asks whether to abandon the installation.
    wine_out "$probe_exe" click --title "$kConfirmationTitle" --button "$kMsgAbort" --timeout 10000 >/dev/null
    wait "$pid"
    rc=$?
}

# The product's registry keys read back with Wine's own "reg query".
reg_clear() {
    wine_reg delete "$kUserKey" /f >/dev/null 2>&1
    wine_reg delete "$kUninstallKey" /f >/dev/null 2>&1
    return 0
}

# "NAME|TYPE|DATA" per value of a key, sorted by name (Wine keeps a key's values sorted, so the order they
# were written in shows only on the simulated machine); nothing when the key is missing.
reg_values() {
    wine_reg query "$1" 2>/dev/null | tr -d '\r' |
        sed -n 's/^    \(.*\)    \(REG_[A-Z_]*\)    \(.*\)$/\1|\2|\3/p; s/^    \(.*\)    \(REG_[A-Z_]*\)$/\1|\2|/p' |
        LC_ALL=C sort
}
key_exists() { wine_reg query "$1" >/dev/null 2>&1; }
expect_values() {
    local key=$1 expected got
    expected=$(LC_ALL=C sort <<<"$2" | sed '/^$/d')
    got=$(reg_values "$key")
    [ "$got" = "$expected" ] || fail "values of $key:
--- expected
$expected
--- got
$got"
}
