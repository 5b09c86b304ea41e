# shellcheck shell=bash
# Wine and Xvfb helpers for the test, run and bench scripts (sourced, not run).
# Gives a private, quiet, non-interactive win64 prefix under build/wine (WoW64
# where wine32 is installed: it runs 32-bit programs too) with
# the fonts, the single virtual desktop and the test drives (R: removable,
# O: optical, F: second fixed disk) the e2e runs need, a persistent
# wineserver so CTest does not hang, a private Xvfb display, and a second
# prefix for running wine as an unprivileged user (uid/gid 65534).
# ULV_WINE_ARCH=win32 with ULV_WINE_DIR set to another folder (the scripts use
# build/wine32) gives a 32-bit prefix instead, a 32-bit Windows.
#
#   source scripts/lib/wine.sh
#   wine_env; wine_prefix_ready; xvfb_start; wine_server_start
#   trap 'wine_server_stop; xvfb_stop' EXIT
#
# Functions return non-zero on failure and leave the caller's shell options
# alone; progress goes to stderr as one-line messages.

ULV_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
ULV_WINE_DIR=$ULV_ROOT/build/wine
# Bump when the prefix setup below changes: the next run builds it anew.
ULV_PREFIX_VERSION=4
ULV_WINE64=/usr/lib/wine/wine64
ULV_WINE32=/usr/lib/wine/wine
ULV_UNPRIV_ID=65534
ULV_XVFB_PID=${ULV_XVFB_PID:-}

_ulv_log() { printf 'wine.sh: %s\n' "$*" >&2; }
_ulv_err() { _ulv_log "error: $*"; return 1; }

# Drive letter, Wine drive type, folder under build/wine/drives, volume label.
ULV_DRIVES=(
    "r floppy removable CLE USB"
    "o cdrom optical CDROM"
    "f hd fixed2 DONNEES"
)

wine_env() {
    ULV_USER_HOME=${ULV_USER_HOME:-${HOME:-/root}}
    export ULV_USER_HOME
    export WINEPREFIX=$ULV_WINE_DIR/prefix
    export WINEARCH=${ULV_WINE_ARCH:-win64}
    export WINEDEBUG=-all
    export LC_ALL=C.UTF-8
    export HOME=$ULV_WINE_DIR/home
    # No Mono or Gecko install prompt, no menu entries or file associations.
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    # Debian's wine wrapper would pick this itself; set it so every tool agrees. The 64-bit loader starts a
    # 32-bit program of a WoW64 prefix through the 32-bit one.
    if [[ $WINEARCH == win32 ]]; then export WINELOADER=$ULV_WINE32; else export WINELOADER=$ULV_WINE64; fi
    unset WINESERVER WINEDLLPATH
    mkdir -p "$HOME"
}

# A prefix made before wine32 was installed has no 32-bit side: whether it is there is part of the stamp.
_ulv_wine_stamp_text() {
    printf 'setup=%s\nwine=%s\narch=%s\nwine32=%s\n' "$ULV_PREFIX_VERSION" \
        "$("$ULV_WINE64" --version 2>/dev/null)" "${WINEARCH:-win64}" "$([[ -x $ULV_WINE32 ]] && echo yes || echo no)"
}

# Runs "$@" (wine commands) with nothing inherited on stdin/stdout/stderr.
_ulv_quiet() { "$@" </dev/null >/dev/null 2>&1; }

_ulv_server_down() {
    ${ULV_RUN:+$ULV_RUN} wineserver -k </dev/null >/dev/null 2>&1 || true
    ${ULV_RUN:+$ULV_RUN} wineserver -w </dev/null >/dev/null 2>&1 || true
}

_ulv_write_reg() {
    local file=$1 with_drives=$2 d letter type
    {
        printf 'REGEDIT4\r\n\r\n'
        printf '[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]\r\n"Desktop"="Default"\r\n\r\n'
        printf '[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]\r\n"Default"="1024x768"\r\n\r\n'
        if [[ $with_drives == 1 ]]; then
            printf '[HKEY_LOCAL_MACHINE\\Software\\Wine\\Drives]\r\n'
            for d in "${ULV_DRIVES[@]}"; do
                read -r letter type _ <<<"$d"
                printf '"%s:"="%s"\r\n' "$letter" "$type"
            done
            printf '\r\n'
        fi
    } >"$file"
}

# wineboot links Desktop, Documents... to $HOME itself (no XDG folders there):
# make them real, separate folders inside the prefix instead.
_ulv_own_user_folders() {
    local link
    for link in "$WINEPREFIX"/drive_c/users/*/*; do
        [[ -L $link ]] || continue
        rm -f "$link"
        mkdir -p "$link"
    done
}

_ulv_make_drives() {
    local d letter type folder label root
    for d in "${ULV_DRIVES[@]}"; do
        read -r letter type folder label <<<"$d"
        root=$ULV_WINE_DIR/drives/$folder
        mkdir -p "$root"
        printf '%s\n' "$label" >"$root/.windows-label"
        ln -sfn "$root" "$WINEPREFIX/dosdevices/$letter:"
    done
}

# Creates the prefix in $WINEPREFIX with fonts and settings; $1=1 adds drives.
_ulv_build_prefix() {
    local with_drives=$1 stamp=$WINEPREFIX/.ulvara-prefix reg f start=$SECONDS
    _ulv_server_down
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX" "$HOME"
    # Wine refuses a prefix that its user does not own.
    if [[ -n ${ULV_OWNER:-} ]]; then chown "$ULV_OWNER" "$WINEPREFIX" "$HOME"; fi
    _ulv_log "creating wine prefix ${WINEPREFIX#"$ULV_ROOT"/} (wineboot -i)"
    _ulv_quiet ${ULV_RUN:+$ULV_RUN} wineboot -i || _ulv_err "wineboot -i failed" || return 1
    _ulv_quiet ${ULV_RUN:+$ULV_RUN} wineserver -w || true
    [[ -f $WINEPREFIX/system.reg ]] || _ulv_err "wineboot made no system.reg" || return 1
    for f in tahoma.ttf tahomabd.ttf marlett.ttf; do
        [[ -f /usr/share/wine/fonts/$f ]] || _ulv_err "/usr/share/wine/fonts/$f missing (fonts-wine)" || return 1
        cp /usr/share/wine/fonts/$f "$WINEPREFIX/drive_c/windows/Fonts/$f"
    done
    _ulv_own_user_folders
    if [[ $with_drives == 1 ]]; then _ulv_make_drives; fi
    reg=$WINEPREFIX/drive_c/windows/temp/ulvara-setup.reg
    _ulv_write_reg "$reg" "$with_drives"
    # Into the 64-bit view: Wine's mount manager, a 64-bit service in a WoW64 prefix, reads the drive types
    # there, while the `wine` wrapper starts the 32-bit reg.exe (or regedit) once wine32 is installed, whose
    # own view of HKLM\Software is Wow6432Node. A 32-bit prefix has the one view and ignores /reg:64.
    _ulv_quiet ${ULV_RUN:+$ULV_RUN} wine reg import 'C:\windows\temp\ulvara-setup.reg' /reg:64 ||
        _ulv_err "reg import failed" || return 1
    rm -f "$reg"
    # Flush the registry to disk and let a fresh server see the drive types.
    _ulv_server_down
    grep -q '"Desktop"="Default"' "$WINEPREFIX/user.reg" ||
        _ulv_err "desktop setting not in user.reg" || return 1
    if [[ $with_drives == 1 ]]; then
        grep -q '"r:"="floppy"' "$WINEPREFIX/system.reg" ||
            _ulv_err "drive types not in system.reg" || return 1
    fi
    _ulv_wine_stamp_text >"$stamp"
    if [[ -n ${ULV_OWNER:-} ]]; then chown -R "$ULV_OWNER" "$WINEPREFIX"; fi
    _ulv_log "wine prefix ready in $((SECONDS - start)) s"
}

_ulv_prefix_current() {
    local stamp=$WINEPREFIX/.ulvara-prefix
    [[ -f $stamp && -f $WINEPREFIX/system.reg ]] &&
        [[ $(<"$stamp") == "$(_ulv_wine_stamp_text)" ]]
}

wine_prefix_ready() {
    wine_env
    if _ulv_prefix_current; then
        # Cheap checks: drive links and labels may be removed by a clean.
        _ulv_make_drives
        return 0
    fi
    mkdir -p "$ULV_WINE_DIR"
    # Several wrappers may get here at once on a fresh clone: one builds.
    (
        flock 9
        _ulv_prefix_current && exit 0
        ULV_RUN='' ULV_OWNER='' _ulv_build_prefix 1
    ) 9>"$ULV_WINE_DIR/.prefix.lock"
}

wine_server_start() {
    [[ -n ${WINEPREFIX:-} ]] || wine_env
    # Not in a pipe: the server and Wine's services must inherit no pipe.
    ${ULV_RUN:+$ULV_RUN} wineserver -p </dev/null >/dev/null 2>&1 || true
    ${ULV_RUN:+$ULV_RUN} wine cmd /c exit </dev/null >/dev/null 2>&1 ||
        _ulv_err "wine cmd /c exit failed" || return 1
    _ulv_log "wineserver running for ${ULV_SERVER_NAME:-${WINEPREFIX#"$ULV_ROOT"/}}"
}

wine_server_stop() {
    [[ -n ${WINEPREFIX:-} ]] || return 0
    _ulv_server_down
}

_ulv_display_up() { xdpyinfo -display "$1" >/dev/null 2>&1; }

xvfb_start() {
    local n i
    if [[ -n ${DISPLAY:-} ]] && _ulv_display_up "$DISPLAY"; then
        _ulv_log "using display $DISPLAY"
        return 0
    fi
    command -v Xvfb >/dev/null || _ulv_err "Xvfb not installed" || return 1
    for ((n = 90; n < 190; n++)); do
        [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] && continue
        Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp -noreset \
            </dev/null >/dev/null 2>&1 &
        ULV_XVFB_PID=$!
        for ((i = 0; i < 100; i++)); do
            if _ulv_display_up ":$n"; then
                export DISPLAY=:$n ULV_XVFB_PID
                _ulv_log "Xvfb on :$n (pid $ULV_XVFB_PID)"
                return 0
            fi
            kill -0 "$ULV_XVFB_PID" 2>/dev/null || break
            sleep 0.1
        done
        # Lost a race for this number, or it never answered: try the next.
        kill "$ULV_XVFB_PID" 2>/dev/null || true
        wait "$ULV_XVFB_PID" 2>/dev/null || true
        ULV_XVFB_PID=
    done
    _ulv_err "could not start Xvfb"
}

xvfb_stop() {
    [[ -n ${ULV_XVFB_PID:-} ]] || return 0
    kill "$ULV_XVFB_PID" 2>/dev/null || true
    wait "$ULV_XVFB_PID" 2>/dev/null || true
    _ulv_log "Xvfb (pid $ULV_XVFB_PID) stopped"
    ULV_XVFB_PID=
    unset DISPLAY
}

# wine_unprivileged_env [dir]: a separate prefix in dir (default
# build/wine/nobody) owned by uid/gid 65534, for tests that need Wine to
# enforce read-only files as Windows does. Exports ULV_UNPRIV_PREFIX,
# ULV_UNPRIV_HOME, ULV_UNPRIV_SCRATCH (a folder that user may write) and
# ULV_UNPRIV_RUN, the command prefix to put before wine, and prints the
# latter. $WINEPREFIX and $HOME of the caller are left as they were. Call it
# directly, not in $(...), or the exports are lost.
# wine_unprivileged CMD... runs one command that way.
wine_unprivileged_env() {
    local dir=${1:-$ULV_WINE_DIR/nobody} id=$ULV_UNPRIV_ID
    mkdir -p "$dir"
    dir=$(cd "$dir" && pwd)
    [[ $dir != *[[:space:]]* ]] || _ulv_err "no blanks allowed in $dir" || return 1
    export ULV_UNPRIV_PREFIX=$dir/prefix ULV_UNPRIV_HOME=$dir/home ULV_UNPRIV_SCRATCH=$dir/scratch
    export ULV_UNPRIV_RUN="setpriv --reuid=$id --regid=$id --clear-groups env WINEPREFIX=$ULV_UNPRIV_PREFIX HOME=$ULV_UNPRIV_HOME WINEARCH=win64 WINEDEBUG=-all LC_ALL=C.UTF-8 WINELOADER=$ULV_WINE64 WINEDLLOVERRIDES=mscoree,mshtml=;winemenubuilder.exe=d"
    mkdir -p "$ULV_UNPRIV_HOME" "$ULV_UNPRIV_SCRATCH"
    chown "$id:$id" "$dir" "$ULV_UNPRIV_HOME" "$ULV_UNPRIV_SCRATCH"
    if ! (
        flock 9
        export WINEPREFIX=$ULV_UNPRIV_PREFIX HOME=$ULV_UNPRIV_HOME
        ULV_RUN=$ULV_UNPRIV_RUN ULV_OWNER=$id:$id
        _ulv_prefix_current && exit 0
        _ulv_build_prefix 0
    ) 9>"$dir/.prefix.lock"; then
        _ulv_err "unprivileged prefix setup failed"
        return 1
    fi
    local out tmp
    # Into a file, not a pipe: the wineserver started here may outlive it.
    tmp=$(mktemp)
    $ULV_UNPRIV_RUN wine cmd /c echo ok </dev/null >"$tmp" 2>/dev/null || true
    out=$(tr -d '\r' <"$tmp")
    rm -f "$tmp"
    [[ $out == ok ]] || _ulv_err "wine as uid $id answered '$out', not 'ok'" || return 1
    _ulv_log "unprivileged wine ready in ${ULV_UNPRIV_PREFIX#"$ULV_ROOT"/}"
    printf '%s\n' "$ULV_UNPRIV_RUN"
}

# The persistent server for the unprivileged prefix, for the same CTest reason.
wine_unprivileged_server_start() {
    [[ -n ${ULV_UNPRIV_RUN:-} ]] || wine_unprivileged_env "" >/dev/null || return 1
    ULV_RUN=$ULV_UNPRIV_RUN ULV_SERVER_NAME=${ULV_UNPRIV_PREFIX#"$ULV_ROOT"/} wine_server_start
}

wine_unprivileged_server_stop() {
    [[ -n ${ULV_UNPRIV_RUN:-} ]] || return 0
    ULV_RUN=$ULV_UNPRIV_RUN _ulv_server_down
}

wine_unprivileged() {
    [[ -n ${ULV_UNPRIV_RUN:-} ]] || wine_unprivileged_env "" >/dev/null || return 1
    # shellcheck disable=SC2086  # a command prefix without blanks in its words
    $ULV_UNPRIV_RUN "$@"
}

# wine_set_dpi N: the resolution Wine gives the processes started from now on
# (LogPixels under HKCU\Control Panel\Desktop, read by each process as it
# starts: no server restart); processes already running keep theirs.
wine_set_dpi() {
    local dpi=$1
    [[ $dpi =~ ^[1-9][0-9]*$ ]] || _ulv_err "wine_set_dpi: not a resolution: $dpi" || return 1
    # reg.exe has been seen to fail at once, now and then, right after another test's programs ended; a
    # second try a moment later goes through.
    local attempt
    for attempt in 1 2 3; do
        _ulv_quiet timeout 60 ${ULV_RUN:+$ULV_RUN} wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels \
            /t REG_DWORD /d "$dpi" /f && return 0
        [ $attempt -lt 3 ] && sleep 1
    done
    _ulv_err "cannot set LogPixels to $dpi"
}
