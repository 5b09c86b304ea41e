# Shared by the end-to-end tests: each runs the real programs under the Wine prefix the caller prepared
# (scripts/lib/wine.sh: WINEPREFIX exported, wineserver running, DISPLAY on a virtual desktop).
set -u

e2e_name=$(basename "$0" .sh)

fail() {
    echo "$e2e_name: FAIL: $*" >&2
    exit 1
}

note() { echo "$e2e_name: $*"; }

[ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX/drive_c" ] || fail "WINEPREFIX does not name a prepared prefix"

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
        timeout 30 wine reg add "$key" /v Version /d "$version" /f >/dev/null 2>&1 || fail "cannot set $key"
    else
        timeout 30 wine reg delete "$key" /f >/dev/null 2>&1
    fi
    return 0
}
