# What an ordinary installation with every default leaves in C:\Program Files\Ulvara, read back from the
# disk, the registry, the shortcuts and the stand-in word processor's own log: shared by the tests that
# install through the wizard and without it (sourced after wizard_lib.sh, with $work and $payload_win set).
command -v lnkinfo >/dev/null || fail "lnkinfo missing (package liblnk-utils)"

readonly kExe="$kWinProgDir\\vlmr.exe"
calls_log=$prog_dir/vlmr-calls.log
expected_log="Made Dir: $kWinDataRoot\\Hidden\\
Made Dir: $kWinProgDir\\
File Copy: $kExe
File Copy: $kWinProgDir\\Licence.txt
File Copy: $kWinProgDir\\Coupe de mots.dat
File Copy: $kWinDataRoot\\Public\\Basic.asn
File Copy: $kWinCommonPrograms\\$kLinkName
File Copy: $kWinCommonDesktop\\$kLinkName"

# Every file of every component at its place, with the payload's bytes and time stamp.
expect_all_files() {
    install_check "$kWinProgDir" "$kWinDataRoot\\Public" >"$work/files.txt"
    [ "$(grep -c "^ok"$'\t' "$work/files.txt")" -eq 260 ] && [ "$(wc -l <"$work/files.txt")" -eq 260 ] ||
        fail "$1: files differ from the payload:
$(grep -v "^ok"$'\t' "$work/files.txt" | head -20)"
}

# Waits up to 5 s for the stand-in's log to hold exactly these lines.
calls_are() { [ -f "$calls_log" ] && [ "$(tr -d '\r' <"$calls_log")" = "$1" ]; }
expect_calls() {
    local expected
    expected=$(printf '%s\n' "$@")
    wait_for 5 "the word processor's starts in $(basename "$calls_log")" calls_are "$expected" ||
        fail "the word processor was started with:
$(tr -d '\r' <"$calls_log" 2>/dev/null)
expected:
$expected"
}

# The shortcut's target, working folder and description as Debian's lnkinfo reads them.
expect_link() {
    local info
    info=$(lnkinfo "$1" 2>&1) || fail "no readable shortcut $1: $info"
    field() { sed -n "s/^[[:space:]]*$1[[:space:]]*: //p" <<<"$info" | head -n 1; }
    [ "$(field 'Local path')" = "$kExe" ] && [ "$(field 'Working directory')" = "$kWinProgDir" ] &&
        [ "$(field Description)" = "Traitement de texte compact, rapide, puissant, et par dessus tout pratique." ] ||
        fail "shortcut $1:
$info"
}

# The public files of the plan, each with the mark of those only written when missing, as Update.log
# lists them (UTF-8, sorted bytewise for comparison).
expected_update_list() {
    sed -n "s/^ok"$'\t'"\\(C:\\\\ProgramData\\\\Ulvara\\\\Public\\\\.*\\)/\\1/p" "$work/files.txt" |
        sed -E $'/(\\.asc|\\.cache|persodicfr\\.tlx|userdicen\\.tlx)$|\\\\(Modèles de document|Collections d\'inserts)\\\\/s/$/\t!/' |
        LC_ALL=C sort
}

# Update.log: one section, this installation's stamp over the plan's public files in the locale's order,
# $1 of them (by default all 257 the components hold).
expect_update_log() {
    local lines stamp count=${1:-257}
    lines=$(crlf_lines "$data_root/Update.log")
    stamp=$(hex_at "$data_root/Hidden/install_stamp" 0)
    [ "$(head -n 1 <<<"$lines")" = "*$stamp" ] || fail "Update.log begins with $(head -n 1 <<<"$lines"), not *$stamp"
    [ "$(grep -c '^\*' <<<"$lines")" -eq 1 ] || fail "Update.log holds more than one section"
    diff <(tail -n +2 <<<"$lines" | iconv -f CP1252 -t UTF-8 | LC_ALL=C sort) <(expected_update_list) >"$work/diff.txt" ||
        fail "Update.log lists other files:
$(head -20 "$work/diff.txt")"
    [ "$(tail -n +2 <<<"$lines" | wc -l)" -eq "$count" ] || fail "Update.log does not list $count files"
    timeout 60 wine "$work/InstallCheck.exe" sorted "C:\\ProgramData\\Ulvara\\Update.log" 2 </dev/null |
        grep -q '^sorted' || fail "Update.log is not in the locale's order"
}

# install_stamp: the install time; vlmr_common.dat: 1, 8 and the finish time, no earlier.
expect_data_files() {
    local stamp=$data_root/Hidden/install_stamp common=$data_root/vlmr_common.dat now
    now=$(ole_now)
    [ "$(stat -c %s "$stamp")" -eq 8 ] || fail "install_stamp is not 8 bytes"
    [ "$(stat -c %s "$common")" -eq 16 ] || fail "vlmr_common.dat is not 16 bytes"
    [ "$(od -An -tx1 -N 8 "$common" | tr -d ' \n')" = 0100000008000000 ] || fail "vlmr_common.dat does not begin with 1 and 8"
    near "$(double_at "$stamp" 0)" "$now" 120 || fail "install time $(double_at "$stamp" 0) is not about now ($now)"
    near "$(double_at "$common" 8)" "$now" 120 || fail "finish time $(double_at "$common" 8) is not about now ($now)"
    perl -e 'exit($ARGV[0] <= $ARGV[1] ? 0 : 1)' "$(double_at "$stamp" 0)" "$(double_at "$common" 8)" ||
        fail "vlmr_common.dat holds a time before the install time"
}

# The program folder's files but those named, in KB on 4,096-byte clusters.
folder_kb() {
    find "$prog_dir" -type f "$@" -printf '%s\n' | awk '{ total += int(($1 + 4095) / 4096) * 4 } END { print total + 0 }'
}

expect_registry() {
    expect_values "$kInstallKey" "MAINDIR|REG_SZ|$kWinProgDir
COMPS_FR (3.1.1)|REG_DWORD|0x7ffffffe
INSTALLTOALL|REG_DWORD|0x1
DSKSHORTCUT|REG_DWORD|0x1
EXTENSIONS|REG_SZ|B
LAUNCH|REG_DWORD|0x1"
    expect_values "$kInternalKey" ""
    expect_values "$kUninstallKey" "DisplayIcon|REG_SZ|$kExe
DisplayName|REG_SZ|Traitement de texte Ulvara
DisplayVersion|REG_SZ|3.3.3.1
EstimatedSize|REG_DWORD|$(printf '0x%x' "$1")
Publisher|REG_SZ|The Ulvara Word Processor Team
UninstallString|REG_SZ|\"$kExe\" -ui"
    # A 32-bit setup on a 64-bit Windows writes its entry into the 32-bit view only; the system's list of
    # installed programs shows both views.
    if [ -n "$reg_view" ] && timeout 30 wine reg query "$kUninstallKey" /reg:64 >/dev/null 2>&1; then
        fail "the uninstall entry is in the 64-bit view of the registry"
    fi
    timeout 60 wine uninstaller --list </dev/null 2>&1 | tr -d '\r' | grep -qF "|||Traitement de texte Ulvara" ||
        fail "wine uninstaller --list does not show the installation: $(timeout 60 wine uninstaller --list </dev/null 2>&1)"
}

expect_links() {
    [ -f "${link_paths[0]}" ] && [ -f "${link_paths[1]}" ] || fail "the all-users shortcuts are missing"
    [ ! -e "${link_paths[2]}" ] && [ ! -e "${link_paths[3]}" ] || fail "a per-user shortcut was made"
    expect_link "${link_paths[0]}"
    expect_link "${link_paths[1]}"
}

# Everything a first ordinary installation with the defaults leaves; $1 names it in a failure.
expect_first_installation() {
    expect_all_files "$1"
    [ "$(crlf_lines "$prog_dir/Install.log")" = "$expected_log" ] || fail "$1: Install.log:
$(tr -d '\r' <"$prog_dir/Install.log")"
    expect_data_files
    expect_update_log
    expect_registry "$(folder_kb ! -name Install.log)"
    expect_links
}
