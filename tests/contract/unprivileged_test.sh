#!/usr/bin/env bash
# Runs contract cases that need Windows' own access checks. Wine running as root lets a write open of a
# read-only file through, so as root the cases run as uid 65534 in that user's own prefix
# (scripts/lib/wine.sh); run by anyone else, Wine already refuses as Windows does.
#   unprivileged_test.sh CONTRACT_TESTS.exe GTEST_FILTER
set -u
exe=$1 filter=$2
source "$(dirname "$0")/../../scripts/lib/wine.sh"

expect_passed() {
    tr -d '\r' <"$1"
    grep -q '^\[       OK \]' "$1" || { echo "unprivileged_test: no case matched $filter" >&2; return 1; }
}

if [ "$(id -u)" -ne 0 ]; then
    log=$(mktemp)
    trap 'rm -f "$log"' EXIT
    wine "$exe" --gtest_filter="$filter" </dev/null >"$log" 2>&1
    rc=$?
    expect_passed "$log" || exit 1
    exit $rc
fi

wine_unprivileged_env >/dev/null || exit 1
# That user cannot read the build tree's parents in general: it gets a copy.
run=$(mktemp -d "$ULV_UNPRIV_SCRATCH/contract.XXXXXX") || exit 1
cp "$exe" "$run/" && chown -R "$ULV_UNPRIV_ID:$ULV_UNPRIV_ID" "$run" || exit 1
trap 'wine_unprivileged_server_stop; rm -rf "$run"' EXIT
# Started outside any pipe, so that CTest does not wait for the server to close its output.
wine_unprivileged_server_start || exit 1
wine_unprivileged wine "$run/$(basename "$exe")" --gtest_filter="$filter" </dev/null >"$run/log.txt" 2>&1
rc=$?
expect_passed "$run/log.txt" || exit 1
exit $rc
