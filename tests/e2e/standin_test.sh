#!/usr/bin/env bash
# Checks the word processor stand-in under Wine: how it logs the ways the setup starts it, and
# the window that poses as a running copy.
#   standin_test.sh STANDIN.exe WinProbe.exe
source "$(dirname "$0")/lib.sh"
readonly kProp=$kStandinProp kTitle="Traitement de texte Ulvara" # the stand-in's own window title
[ $# -eq 2 ] || { echo "usage: standin_test.sh STANDIN.exe WinProbe.exe" >&2; exit 2; }
# A fresh folder per run, so the log holds only what this run wrote.
e2e_workdir
cp "$1" "$work/vlmr.exe" && cp "$2" "$work/WinProbe.exe" || fail "cannot copy the programs into $work"
exe="$winwork\\vlmr.exe" probe="$winwork\\WinProbe.exe" log="$work/vlmr-calls.log" window_pid=""
cleanup() {
    if [ -n "$window_pid" ]; then
        timeout 10 wine "$probe" close-prop "$kProp" >/dev/null 2>&1
        kill "$window_pid" 2>/dev/null
        wait "$window_pid" 2>/dev/null
    fi
    e2e_cleanup
}
trap cleanup EXIT

# Output goes to files, not to our stdout: Wine's helpers would otherwise keep the pipe open.
run_standin() {
    timeout 30 wine "$exe" "$@" </dev/null >"$work/standin.out" 2>&1
}

expect_log() {
    local expected="$work/expected.log"
    printf '%s\r\n' "$@" >"$expected"
    cmp -s "$expected" "$log" && return 0
    echo "expected vlmr-calls.log:" >&2
    od -c "$expected" >&2
    echo "actual:" >&2
    od -c "$log" >&2 2>/dev/null || echo "(missing)" >&2
    fail "vlmr-calls.log differs"
}

# The three ways the setup and the uninstall entry start the word processor are logged verbatim,
# one line each, added after what the log already held.
check_logging() {
    printf '%s\r\n' "earlier line" >"$log"
    run_standin -assoc adpr_rtf_doc || fail "'vlmr.exe -assoc adpr_rtf_doc' exited $?"
    expect_log "earlier line" "\"$exe\" -assoc adpr_rtf_doc"
    run_standin || fail "'vlmr.exe' without arguments exited $?"
    run_standin -ui || fail "'vlmr.exe -ui' exited $?"
    expect_log "earlier line" "\"$exe\" -assoc adpr_rtf_doc" "\"$exe\"" "\"$exe\" -ui"
    # Without the switch nothing stays behind to pose as a running copy.
    if timeout 30 wine "$probe" find-prop "$kProp" --timeout 300 >/dev/null 2>&1; then
        fail "a window carries '$kProp' although no copy was started with -standin-window"
    fi
}

# Copies started together must neither lose nor mix their lines. Wine starts them a little
# apart, so this reliably catches a copy that gives up on a locked log, but only now and then
# two writes racing for the same end of file.
check_concurrent_logging() {
    rm -f "$log"
    local pids=() i
    for i in $(seq 12); do
        timeout 30 wine "$exe" -assoc "copy$i" </dev/null >/dev/null 2>&1 &
        pids+=($!)
    done
    for i in "${pids[@]}"; do wait "$i" || fail "a concurrent copy exited non-zero"; done
    local lines
    lines=$(tr -d '\r' <"$log" | sort)
    local expected
    expected=$(for i in $(seq 12); do echo "\"$exe\" -assoc copy$i"; done | sort)
    [ "$lines" = "$expected" ] || fail "concurrent copies logged:"$'\n'"$lines"
    [ "$(tr -cd '\r' <"$log" | wc -c)" -eq 12 ] || fail "concurrent copies did not end each line with CR LF"
}

# -standin-window shows a window with the marker property until someone closes it.
check_window() {
    rm -f "$log"
    timeout 60 wine "$exe" -standin-window </dev/null >"$work/window.out" 2>&1 &
    window_pid=$!
    local found
    found=$(timeout 30 wine "$probe" find-prop "$kProp" --timeout 15000 2>&1) ||
        fail "no window carries '$kProp': $found"
    case "$found" in
    *"title=\"$kTitle\""*) ;;
    *) fail "the window carrying '$kProp' is not titled '$kTitle': $found" ;;
    esac
    kill -0 "$window_pid" 2>/dev/null || fail "the stand-in did not keep running with its window"

    local closed
    closed=$(timeout 30 wine "$probe" close-prop "$kProp" 2>&1) || fail "close-prop failed: $closed"
    [ "$closed" = "1" ] || fail "close-prop closed '$closed' windows, expected 1"
    local status=0
    wait "$window_pid" || status=$?
    window_pid=""
    [ "$status" -eq 0 ] || fail "the stand-in exited $status after WM_CLOSE (124 means it never exited)"
    if timeout 30 wine "$probe" find-prop "$kProp" --timeout 300 >/dev/null 2>&1; then
        fail "'$kProp' is still found after the stand-in exited"
    fi
    expect_log "\"$exe\" -standin-window"
}

check_logging
check_concurrent_logging
check_window
note "ok"
