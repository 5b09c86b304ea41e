#!/usr/bin/env bash
# The install thread, on the real Win32 adapter, writes the whole payload into a new folder of the prefix;
# every file's bytes and last-write time are then checked against the payload.
#   extract_test.sh PAYLOAD E2E_DIR
source "$(dirname "$0")/lib.sh"
payload=$1 tools=$2
e2e_workdir
cp "$payload" "$work/payload.bin" && cp "$tools/ExtractProbe.exe" "$work/" || fail "copy"
out=$(wine_out "$work/ExtractProbe.exe" check "$winwork\\payload.bin" "$winwork\\Installé")
echo "$out"
grep -qx "checked 259 files, 0 bad" <<<"$out" || fail "extraction check failed"
[ -f "$work/Installé/Modèles de document/Mémos/Mémo 1.rtf" ] || fail "no Windows-1252 name on the Linux side"
note "ok"
