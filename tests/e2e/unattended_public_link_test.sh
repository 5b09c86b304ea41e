#!/usr/bin/env bash
# The real setup under Wine, unattended, on a machine where a user made the shared data's Public folder
# before the first installation, with "Modèles de document" in it a symbolic link to a folder elsewhere on
# drive C:. Nothing goes through the link, the warning naming it is logged once with its answer, and the
# rest of the installation is what the defaults leave: every other file, the data files, Install.log,
# Update.log without the templates, the registry and the shortcuts.
#   unattended_public_link_test.sh SETUP PAYLOAD E2E_DIR
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/wizard_lib.sh"
source "$(dirname "$0")/install_lib.sh"
[ $# -eq 3 ] || { echo "usage: unattended_public_link_test.sh SETUP PAYLOAD E2E_DIR" >&2; exit 2; }
setup=$1 payload=$2 tools=$3
e2e_workdir
trap 'wizard_clean_machine; e2e_cleanup' EXIT
wizard_tools "$tools"
wizard_payload "$payload"
unattended_image "$setup"
readonly kLinked="$kWinDataRoot\\Public\\Modèles de document"
linked=$data_root/Public/Modèles\ de\ document

wizard_clean_machine
elsewhere=$work/elsewhere
mkdir -p "$elsewhere" "$data_root/Public" && ln -s "$elsewhere" "$linked" || fail "cannot make the link"
unattended /VERYSILENT /SUPPRESSMSGBOXES
expect_code 0 "a link below Public"
[ -z "$(find "$elsewhere" -mindepth 1 | head -n 1)" ] || fail "written through the link:
$(find "$elsewhere" -mindepth 1 | head -n 10)"
[ "$(readlink "$linked")" = "$elsewhere" ] || fail "the link itself was changed: $(ls -ld "$linked")"
[ "$(grep -c "^Question : Le dossier de données suivant n'a pas été utilisé : c'est un lien" "$work/run.txt")" = 1 ] &&
    grep -qxF "    $kLinked" "$work/run.txt" &&
    [ "$(grep -A 5 "^Question : Le dossier de données" "$work/run.txt" | grep -c '^Réponse : OK$')" = 1 ] ||
    fail "the refused folder's warning is not in the run log once:
$(cat "$work/run.txt")"
cp "$work/run.txt" "$screens/unattended-public-link.log"

# InstallCheck looks for the templates through the link, in the empty folder: those 29 alone are missing.
install_check "$kWinProgDir" "$kWinDataRoot\\Public" >"$work/files.txt"
statuses() { cut -f1 | uniq -c | awk '{ printf "%s %s,", $1, $2 }'; }
[ "$(grep -F "$kLinked\\" "$work/files.txt" | statuses)" = "29 missing," ] &&
    [ "$(grep -vF "$kLinked\\" "$work/files.txt" | statuses)" = "231 ok," ] || fail "files:
$(grep -v "^ok"$'\t' "$work/files.txt" | grep -vF "$kLinked\\" | head -5)"
[ "$(crlf_lines "$prog_dir/Install.log")" = "$expected_log" ] || fail "Install.log:
$(tr -d '\r' <"$prog_dir/Install.log")"
expect_data_files
expect_update_log 228
expect_registry "$(folder_kb ! -name Install.log)"
expect_links
note "the link below Public refused and told once, nothing written through it, the rest installed"
note "ok"
