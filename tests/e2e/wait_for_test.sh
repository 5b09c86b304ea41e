#!/usr/bin/env bash
# lib.sh's wait_for: how often it tries, what it says when it gives up, and that its command runs in the
# test's own shell. No Wine program runs.
source "$(dirname "$0")/lib.sh"
e2e_workdir

tries=0
succeeds_at() { tries=$((tries + 1)) && [ $tries -ge "$1" ]; }

# SECONDS, the try that succeeds, the status and the number of tries expected.
while read -r seconds succeeding status expected; do
    tries=0 got=0
    wait_for "$seconds" "try $succeeding" succeeds_at "$succeeding" 2>/dev/null || got=$?
    [ "$got/$tries" = "$status/$expected" ] ||
        fail "wait_for $seconds, success at try $succeeding: status $got after $tries tries, expected $status/$expected"
done <<EOF
0   1  0 1
0   2  1 1
0.3 99 1 4
1   99 1 11
2.5 3  0 3
EOF
wait_for 0.1 "an answer" false 2>"$work/said"
[ "$(cat "$work/said")" = "wait_for_test: waited 0.1 s for an answer" ] ||
    fail "wait_for says '$(cat "$work/said")' when it gives up"
(wait_for 1 "a failure" fail "stop" 2>/dev/null; exit 0) && fail "the command's fail does not end the test"
note "ok"
