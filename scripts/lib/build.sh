# shellcheck shell=bash
# Configure-and-build helpers shared by scripts/test, scripts/run and scripts/bench (sourced, not run).

ULV_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

# Each step is announced with the time since the script started; _ulv_steps_report lists how long each took.
_ulv_step_names=() _ulv_step_starts=()
_ulv_step() {
    _ulv_step_names+=("$*") _ulv_step_starts+=("$SECONDS")
    printf '\n== [%dm%02ds] %s\n' $((SECONDS / 60)) $((SECONDS % 60)) "$*" >&2
}
_ulv_steps_report() {
    local i end
    echo "steps, in minutes and seconds:"
    for ((i = 0; i < ${#_ulv_step_names[@]}; i++)); do
        end=${_ulv_step_starts[i + 1]:-$SECONDS}
        printf '  %3dm%02ds  %s\n' $(((end - _ulv_step_starts[i]) / 60)) $(((end - _ulv_step_starts[i]) % 60)) \
            "${_ulv_step_names[i]}"
    done
    printf '  %3dm%02ds  in all\n' $((SECONDS / 60)) $((SECONDS % 60))
}

# Configures a preset once (again when its cache is gone) and builds it.
build_preset() {
    local preset=$1
    shift
    _ulv_step "build $preset"
    if [ ! -f "$ULV_ROOT/build/$preset/CMakeCache.txt" ]; then
        cmake --preset "$preset" -S "$ULV_ROOT" >/dev/null || return 1
    fi
    cmake --build "$ULV_ROOT/build/$preset" -j "$(nproc)" "$@"
}
