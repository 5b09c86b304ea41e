# shellcheck shell=bash
# Configure-and-build helpers shared by scripts/test, scripts/run and scripts/bench (sourced, not run).

ULV_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

_ulv_step() { printf '\n== %s\n' "$*" >&2; }

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
