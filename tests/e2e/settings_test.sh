#!/usr/bin/env bash
# The wizard's stored settings and the uninstall entry through the real advapi32, read back by Wine's own
# "reg query": key and value names, types and data.
#   settings_test.sh PAYLOAD E2E_DIR
source "$(dirname "$0")/lib.sh"
payload=$1 tools=$2

probe() { wine_out "$work/SettingsProbe.exe" "$@"; }

e2e_workdir
trap 'reg_clear; e2e_cleanup' EXIT
cp "$payload" "$work/payload.bin" && cp "$tools/SettingsProbe.exe" "$work/" || fail "copy"
pay="$winwork\\payload.bin"
reg_clear

# First run: every default, both keys made, no value written.
out=$(probe read "$pay")
echo "$out"
grep -qxF "MainDir=$kWinProgramFiles\\Ulvara" <<<"$out" || fail "default destination"
grep -qx 'Components=0x7FFFFFFF' <<<"$out" || fail "default components"
grep -qx 'Extensions=B' <<<"$out" || fail "default extensions"
grep -qx 'LastRunVersion=2147483647' <<<"$out" || fail "default last-run version"
grep -qx 'InstallToAll=1 Desktop=1 Launch=1' <<<"$out" || fail "default check boxes"
grep -qx 'Items=GCCCCCC' <<<"$out" || fail "components list"
key_exists "$kInstallKey" && key_exists "$kInternalKey" || fail "the keys are not created on a first run"
expect_values "$kInstallKey" ""
expect_values "$kInternalKey" ""
key_exists "$kUninstallKey" && fail "uninstall key made on reading"

# An ordinary installation with component 3 unchecked: 5,000 + 4,097 + 1 bytes on 4,096-byte clusters, 20 KB.
dest="$work/Dest Ulvara"
mkdir -p "$dest/Sous-dossier" || fail "mkdir"
head -c 5000 /dev/zero >"$dest/vlmr.exe"
head -c 4097 /dev/zero >"$dest/Sous-dossier/a.dat"
head -c 1 /dev/zero >"$dest/Install.log"
# Wine shows a symbolic link to a folder as a junction: neither the loop nor the outside folder counts.
mkdir -p "$work/Ailleurs" && head -c 100000 /dev/zero >"$work/Ailleurs/gros.dat"
ln -s .. "$dest/Sous-dossier/Boucle" && ln -s ../Ailleurs "$dest/Dehors" || fail "ln"
windest="$winwork\\Dest Ulvara"
out=$(probe save "$pay" "$windest" 3)
grep -qx 'saved portable=0' <<<"$out" || fail "save: $out"
expect_values "$kInstallKey" "MAINDIR|REG_SZ|$windest
COMPS_FR (3.1.1)|REG_DWORD|0x7ffffff6
INSTALLTOALL|REG_DWORD|0x1
DSKSHORTCUT|REG_DWORD|0x1
EXTENSIONS|REG_SZ|B
LAUNCH|REG_DWORD|0x1"
expect_values "$kInternalKey" ""
expect_values "$kUninstallKey" "DisplayIcon|REG_SZ|$windest\\vlmr.exe
DisplayName|REG_SZ|Traitement de texte Ulvara
DisplayVersion|REG_SZ|3.3.3.1
EstimatedSize|REG_DWORD|0x14
Publisher|REG_SZ|The Ulvara Word Processor Team
UninstallString|REG_SZ|\"$windest\\vlmr.exe\" -ui"

# The next run offers them again; letters and the last-run version as another program stored them.
wine_reg add "$kInstallKey" /v EXTENSIONS /t REG_SZ /d DA /f >/dev/null 2>&1 || fail "reg add"
wine_reg add "$kInternalKey" /v LastRunVer /t REG_DWORD /d 20004000 /f >/dev/null 2>&1 || fail "reg add"
out=$(probe read "$pay")
echo "$out"
grep -qxF "MainDir=$windest" <<<"$out" || fail "stored destination not read back"
grep -qx 'Components=0x7FFFFFF6' <<<"$out" || fail "stored components"
grep -qx 'Items=GCCUCCC' <<<"$out" || fail "components list from the stored set"
grep -qx 'Extensions=DA' <<<"$out" || fail "stored letters"
grep -qx 'LastRunVersion=20004000' <<<"$out" || fail "last-run version"
out=$(probe read "$pay" '-dD:\Outils')
grep -qx 'MainDir=D:\\Outils' <<<"$out" || fail "-d switch: $out"

# A portable installation stores the install key but leaves the uninstall entry as it stood.
out=$(probe save "$pay" 'R:\Ulvara')
grep -qx 'saved portable=1' <<<"$out" || fail "R: is not portable: $out"
grep -qx 'MAINDIR|REG_SZ|R:\\Ulvara' <<<"$(reg_values "$kInstallKey")" || fail "portable destination not stored"
grep -qxF "DisplayIcon|REG_SZ|$windest\\vlmr.exe" <<<"$(reg_values "$kUninstallKey")" ||
    fail "portable installation touched the uninstall entry"
note "ok"
