#!/usr/bin/env bash
# The real setup under Wine run as deployment tools run it, its whole exit code read through cmd: /VERYSILENT
# leaves what the wizard's defaults leave with no window at all (a watcher lists the process's windows),
# keeps stored choices, follows /COMPONENTS and installs portable with /DIR=R:\...; /SILENT shows the
# installing page only and ends by itself; each early end has its code and writes nothing, a held file
# ends as an abandon. The run logs go to build/screens/unattended-*.log.
#   unattended_test.sh SETUP STANDIN PAYLOAD E2E_DIR
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/wizard_lib.sh"
source "$(dirname "$0")/install_lib.sh"
[ $# -eq 4 ] || { echo "usage: unattended_test.sh SETUP STANDIN PAYLOAD E2E_DIR" >&2; exit 2; }
setup=$1 standin=$2 payload=$3 tools=$4
e2e_workdir
pids=()
stop_all() {
    holds_release
    timeout 30 wine "$work/WinProbe.exe" close-prop "$kStandinProp" </dev/null >/dev/null 2>&1
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    pids=()
}
trap 'stop_all; wizard_kill; wizard_clean_machine; e2e_cleanup' EXIT
wizard_tools "$tools"
wizard_payload "$payload"
unattended_image "$setup"
mkdir -p "$work/copy" && cp "$standin" "$work/copy/vlmr.exe" || fail "cannot copy the stand-in"

keep_log() { cp "$work/run.txt" "$screens/unattended-$1.log"; }
# Lists the setup's windows from its start to its end (WinProbe watch) into $work/watch.out.
watch_start() {
    timeout 200 wine "$work/WinProbe.exe" watch "$kImage" --timeout 180000 </dev/null >"$work/watch.out" 2>&1 &
    watch_pid=$!
    wait_for 20 "the watcher to start" grep -qs '^watching' "$work/watch.out" ||
        fail "the watcher did not start: $(cat "$work/watch.out")"
}
watch_end() { wait "$watch_pid" || fail "the watcher did not see the setup end: $(cat "$work/watch.out")"; }
nothing_written() {
    [ ! -e "$prog_dir" ] && [ ! -e "$data_root" ] && ! key_exists "$kUserKey" && ! key_exists "$kUninstallKey" ||
        fail "$1: something was written"
}

# 1. /VERYSILENT on a machine that never saw the word processor: what the wizard's defaults leave (the
# same helpers as its test), no window, and the word processor not started (nobody asked).
wizard_clean_machine
watch_start
unattended /VERYSILENT
watch_end
expect_code 0 "/VERYSILENT"
grep -q '^visible' "$work/watch.out" && fail "/VERYSILENT showed a window: $(cat "$work/watch.out")"
# Not even a hidden one of its own: no application window, no wizard form built and left unshown.
grep -q $'\t"Ulvara' "$work/watch.out" && fail "/VERYSILENT made a window of its own: $(cat "$work/watch.out")"
grep -q '^ended' "$work/watch.out" || fail "the watcher missed the setup: $(cat "$work/watch.out")"
expect_first_installation "/VERYSILENT"
expect_calls "\"$kExe\" -assoc adpr_cod"
keep_log verysilent
note "/VERYSILENT: exit 0, no window of its own ($(grep -c '^hidden' "$work/watch.out") hidden of the system's), what the wizard's defaults leave"

# 2. Over it, with other choices stored: they are kept.
wine_reg add "$kInstallKey" /v INSTALLTOALL /t REG_DWORD /d 0 /f >/dev/null 2>&1 &&
    wine_reg add "$kInstallKey" /v DSKSHORTCUT /t REG_DWORD /d 0 /f >/dev/null 2>&1 &&
    wine_reg add "$kInstallKey" /v EXTENSIONS /t REG_SZ /d AC /f >/dev/null 2>&1 ||
    fail "cannot store other choices"
rm -f "${link_paths[@]}" "$calls_log"
unattended /VERYSILENT
expect_code 0 "/VERYSILENT over stored choices"
expect_values "$kInstallKey" "MAINDIR|REG_SZ|$kWinProgDir
COMPS_FR (3.1.1)|REG_DWORD|0x7ffffffe
INSTALLTOALL|REG_DWORD|0x0
DSKSHORTCUT|REG_DWORD|0x0
EXTENSIONS|REG_SZ|AC
LAUNCH|REG_DWORD|0x1"
[ -f "${link_paths[2]}" ] && [ ! -e "${link_paths[0]}" ] && [ ! -e "${link_paths[1]}" ] && [ ! -e "${link_paths[3]}" ] ||
    fail "the shortcuts do not follow the stored choices"
expect_calls "\"$kExe\" -assoc adpr_rtf_doc"
grep -qF "raccourcis pour l'utilisateur courant (réglage enregistré)" "$work/run.txt" &&
    grep -qxF 'Associations : "AC" (réglage enregistré)' "$work/run.txt" &&
    grep -qxF 'Lancement : non (par défaut)' "$work/run.txt" || fail "run log:
$(cat "$work/run.txt")"
note "over stored choices: kept (scope, desktop, associations)"

# 3. /COMPONENTS: the word processor and the French speller only, stored as the components page would.
wizard_clean_machine
unattended /VERYSILENT /COMPONENTS=frenchspelling /TASKS=launch
expect_code 0 "/COMPONENTS"
[ -f "$prog_dir/vlmr.exe" ] && [ -f "$data_root/Public/Orthographe/French.asc" ] || fail "a chosen component is missing"
[ ! -e "$prog_dir/Coupe de mots.dat" ] && [ ! -e "$data_root/Public/Basic.asn" ] || fail "a component not chosen was installed"
[ "$(reg_values "$kInstallKey" | grep '^COMPS')" = "COMPS_FR (3.1.1)|REG_DWORD|0x7fffff82" ] ||
    fail "components stored as $(reg_values "$kInstallKey" | grep '^COMPS')"
expect_calls "\"$kExe\" -assoc adpr" "\"$kExe\""
# Wine gives the setup an elevated token: the word processor is handed to the desktop's shell.
route=$(tr -d '\r' <"$work/run.txt" | grep '^Démarrage : ') || fail "no launch route in the run log:
$(cat "$work/run.txt")"
[ "$route" = "Démarrage : par le bureau de l'utilisateur, sans droits élevés" ] || fail "launched $route"
note "/COMPONENTS=frenchspelling /TASKS=launch: those files only, bits 0x7fffff82, launched at the end (${route#Démarrage : })"

# 3b. Over it, as a deployment tool writes the command line: its Inno-style switches accepted, the program
# files folder given (the product folder added, the log saying so), /TASKS twice with the same set, the
# stored launch choice kept although /TASKS does not ask for the launch.
wine_reg add "$kInstallKey" /v LAUNCH /t REG_DWORD /d 0 /f >/dev/null 2>&1 || fail "cannot store LAUNCH=0"
rm -f "$calls_log"
unattended /VERYSILENT /SP- /NOICONS /CLOSEAPPLICATIONS /NORESTARTAPPLICATIONS "\"/DIR=$kWinProgramFiles\"" \
    /TASKS=assocrtf,desktopicon /TASKS=desktopicon,assocrtf
expect_code 0 "deployment tool's switches"
[ "$(reg_values "$kInstallKey" | grep -E '^(MAINDIR|EXTENSIONS|LAUNCH)')" = "EXTENSIONS|REG_SZ|A
LAUNCH|REG_DWORD|0x0
MAINDIR|REG_SZ|$kWinProgDir" ] || fail "stored: $(reg_values "$kInstallKey")"
grep -qxF "Destination : $kWinProgDir (ordinaire, ligne de commande \"$kWinProgramFiles\", dossier du produit ajouté)" \
    "$work/run.txt" && grep -qxF 'Associations : "A" (ligne de commande)' "$work/run.txt" &&
    grep -qxF 'Lancement : non (ligne de commande)' "$work/run.txt" || fail "run log:
$(cat "$work/run.txt")"
expect_calls "\"$kExe\" -assoc adpr_rtf"
note "/SP- /NOICONS /…APPLICATIONS, /DIR= the program files, /TASKS twice: 0, completed and logged, LAUNCH kept"

# 4. Portable onto the removable drive R:.
wizard_clean_machine
unattended /VERYSILENT '/DIR=R:\Ulvara'
expect_code 0 "portable"
install_check 'R:\Ulvara' 'R:\Ulvara' >"$work/files.txt"
[ "$(grep -c "^ok"$'\t' "$work/files.txt")" -eq 260 ] || fail "portable files differ from the payload"
[ ! -e "$removable_root/Ulvara/Install.log" ] && [ ! -e "$data_root" ] && ! key_exists "$kUninstallKey" &&
    [ ! -e "${link_paths[0]}" ] || fail "machine-wide traces of a portable installation"
grep -qxF 'Destination : R:\Ulvara (portable, ligne de commande)' "$work/run.txt" || fail "run log:
$(cat "$work/run.txt")"
note "portable /DIR=R:\\Ulvara: beside the program, nothing machine-wide"

# 5. /SILENT: the installing page only, held on the first template while the worker clears the work files
# a run cut short left in its folder (like a slow disk), then the window closes by itself.
wizard_clean_machine
plant_work_files "$data_root/Public/Modèles de document/CV et candidatures" 16000
watch_start
unattended_begin /SILENT
wizard_at_page 5 30000
wiz wait-text --id $kInstallingLbl2 --text "${kComponentNames[4]}" --timeout 10000 ||
    fail "the worker did not reach component 4: $(cat "$work/probe.err")"
wizard_shot silent-installing.png
unattended_end
watch_end
expect_code 0 "/SILENT"
grep -q "^visible"$'\t'"\"UlvaraForm\"" "$work/watch.out" || fail "no wizard window: $(cat "$work/watch.out")"
grep "^visible" "$work/watch.out" | grep -v "UlvaraForm" && fail "/SILENT showed another window"
[ -f "$data_root/vlmr_common.dat" ] && [ -f "${link_paths[0]}" ] || fail "/SILENT did not finish the installation"
expect_no_work_files "/SILENT"
keep_log silent
note "/SILENT: the installing page only (build/screens/silent-installing.png), ended 0 by itself"

# 6. Each early end.
wizard_clean_machine
hold_file "$kExe" "$prog_dir"
unattended /VERYSILENT
stop_all
expect_code 1603 "held file"
grep -c "^Réponse : Réessayer$" "$work/run.txt" | grep -qx 5 && grep -qxF "Réponse : Abandonner" "$work/run.txt" &&
    grep -qF "Question : $kCannotCreateStart$kExe\"." "$work/run.txt" &&
    grep -qxF "Échec : $kExe (erreur 32 : fichier ouvert par un autre programme)" "$work/run.txt" || fail "run log:
$(cat "$work/run.txt")"
[ ! -e "$prog_dir/Licence.txt" ] && [ -f "$prog_dir/Install.log" ] && key_exists "$kInstallKey" ||
    fail "after the held file: written after it, or settings and log not stored"
keep_log failed
note "held file: 1603 after 5 retries, nothing after it, settings and Install.log stored"

wizard_clean_machine
timeout 100 wine "$work/copy/vlmr.exe" -standin-window </dev/null >/dev/null 2>&1 &
pids+=($!)
timeout 30 wine "$work/WinProbe.exe" find-prop "$kStandinProp" --timeout 15000 </dev/null >/dev/null 2>&1 ||
    fail "the stand-in shows no running copy"
unattended /VERYSILENT
stop_all
expect_code 32 "word processor running"
nothing_written "word processor running"
note "word processor running: 32, nothing written"

unattended /VERYSILENT /NOPE
expect_code 87 "unknown switch"
grep -qxF "Paramètre refusé : /NOPE" "$work/run.txt" || fail "run log: $(cat "$work/run.txt")"
nothing_written "unknown switch"
unattended /VERYSILENT /DIR=Ulvara
expect_code 1603 "relative destination"
nothing_written "relative destination"
note "unknown switch: 87; relative destination: 1603; nothing written"

wizard_start "$setup"
unattended /VERYSILENT
expect_code 1618 "second instance"
# The first copy has opened its keys, as a wizard does when it starts; nothing more.
[ ! -e "$prog_dir" ] && [ -z "$(reg_values "$kInstallKey")" ] && [ ! -e "$work/run.log" ] ||
    fail "the second instance wrote something"
wizard_next 1
wizard_click "$kCancel"
dialog_shown "$kConfirmationTitle"
dialog_answer "$kConfirmationTitle" "$kMsgAbort"
wizard_end
[ "$setup_rc" -eq 66 ] || fail "the first copy ended with $setup_rc, expected 1602 (66)"
note "second instance: 1618, the first went on and was cancelled with 1602"
note "ok"
