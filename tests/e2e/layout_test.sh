#!/usr/bin/env bash
# The wizard window under Wine against its layout as designed (wizard_layout.txt), one run per tab
# sheet: every control's class, parent, place and size, style, font, caption and visibility, and the
# window's frame, client size and place. Then sheet 3 told at run time that it moved to 144 dpi, and
# sheet 0 started at 144 dpi, where every length scales. The logos and the etched lines, which have no
# window, on the screen as their panels draw them.
# Screenshots go to build/screens.
#   layout_test.sh FormShow.exe E2E_DIR ART_DIR (ART_DIR: the PNG logos the program carries)
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/../../scripts/lib/wine.sh"
[ $# -eq 3 ] || { echo "usage: layout_test.sh FormShow.exe E2E_DIR ART_DIR" >&2; exit 2; }
formshow=$1 tools=$2 art=$3
layout=$(dirname "$0")/wizard_layout.txt
readonly kTitle=$kWizardTitle kClass=UlvaraForm kSheets=8
e2e_formshow "$formshow" "$tools"
cp "$layout" "$work/" || fail "cannot copy $layout"
# A window left open by a failed check must not outlive the test, nor 144 dpi the next test.
cleanup() {
    if [ -n "$form_pid" ]; then
        run_probe close --class $kClass --title "$kTitle"
        wait_for 10 "FormShow to end" form_ended || kill "$form_pid" 2>/dev/null
        wait "$form_pid" 2>/dev/null
    fi
    wine_set_dpi 96 || echo "$e2e_name: could not restore 96 dpi" >&2
    e2e_cleanup
}
trap cleanup EXIT
trap 'exit 143' TERM
trap 'exit 130' INT

form_said() { said | grep -qx "$1"; }
form_ready() {
    form_said ready && return 0
    form_ended && fail "FormShow $* ended before it was ready: $(cat "$work/form.out")"
    return 1
}

start_form() {
    if run_probe wait-window --class $kClass --title "$kTitle" --timeout 0; then
        fail "a wizard window is already open before FormShow $*"
    fi
        e2e_form_start "$@"
    wait_for 30 "FormShow $* to be ready" form_ready "$@" || fail "FormShow $* not ready after 30 s"
}

# WM_CLOSE is accepted while no page has been entered: the window's result is then 2.
close_form() {
    run_probe close --class $kClass --title "$kTitle" || fail "cannot close the wizard window"
    wait_for 20 "FormShow to end" form_ended || fail "FormShow still runs 20 s after WM_CLOSE"
    local status=0
    wait "$form_pid" || status=$?
    form_pid=""
    [ $status -eq 0 ] || fail "FormShow exited $status after WM_CLOSE"
    form_said "closed 2" || fail "FormShow said '$(tr -d '\r' <"$work/form.out" | tr '\n' ' ')', expected 'closed 2'"
}

field_of() { awk -F'\t' -v key="$2=" '$1 == "window" { for (i = 2; i <= NF; i++) if (index($i, key) == 1) print substr($i, length(key) + 1) }' "$1"; }

# The window's own rectangle from the dump: the virtual desktop's screen is the display's root.
screenshot() {
    local dump=$1 name=$2 x y w h cw ch border
    IFS=, read -r x y w h <<<"$(field_of "$dump" rect)"
    import -window root -crop "${w}x${h}+${x}+${y}" +repage "$screens/$name.png" 2>/dev/null ||
        note "no screenshot ($name)"
    # The client area alone too (the frame is the system's), for comparing two windows' contents.
    IFS=, read -r cw ch <<<"$(field_of "$dump" client)"
    border=$(((w - cw) / 2))
    convert "$screens/$name.png" -crop "${cw}x${ch}+${border}+$((h - ch - border))" +repage \
        "$work/$name.client.png" 2>/dev/null
}

# Two windows' client areas, pixel by pixel: a window rescaled at run time must look like one that
# started at that resolution, with nothing of its old size left on the screen.
same_picture() {
    local a="$work/$1.client.png" b="$work/$2.client.png" differing total
    differing=$(command compare -metric AE -fuzz 8% "$a" "$b" null: 2>&1) || true
    total=$(identify -format '%[fx:w*h]' "$a")
    [ -n "$differing" ] && [ "${differing%.*}" -le $((total / 200)) ] ||
        fail "$1 and $2 differ in $differing of $total pixels"
    note "$1 looks like $2 ($differing of $total pixels differ)"
}

failures=()
runs=0

# The dump against the layout at the given resolution (WinProbe check-layout): lengths may be off by the
# tolerance per nesting level. A difference does not stop the run: the other sheets still say theirs.
compare() {
    local dump=$1 sheet=$2 dpi=$3 tolerance=$4 reported=${5:-$3} status=0
    # With the program's own control ids (tests/e2e/facts): each control is checked by its name.
    run_probe check-layout "$winwork\\$(basename "$layout")" "$winwork\\$(basename "$dump")" --sheet "$sheet" \
        --dpi "$dpi" --reported "$reported" --tolerance "$tolerance" --ids "$kControlIds" || status=$?
    [ $status -le 1 ] || fail "WinProbe check-layout: $(cat "$work/probe.err")"
    [ $status -eq 0 ] && return 0
    if [ ${#failures[@]} -eq 0 ]; then
        echo "$e2e_name: the window as dumped with sheet $sheet active at $dpi dpi:" >&2
        cat "$dump" >&2
    fi
    echo "$e2e_name: sheet $sheet at $dpi dpi differs from the layout:" >&2
    sed 's/^/  /' "$work/probe.out" >&2
    failures+=("sheet $sheet at $dpi dpi")
    return 1
}

# The screenshot's pixel at X,Y of the client area as "R G B".
pixel_at() { convert "$1" -format "%[fx:int(255*p{$2,$3}.r)] %[fx:int(255*p{$2,$3}.g)] %[fx:int(255*p{$2,$3}.b)]" info:; }
brightness() { awk '{ print $1 + $2 + $3 }' <<<"$1"; }

# drawn_logo SCREENSHOT PNG LEFT TOP NAME: the PNG blended over the colour its panel shows just left of
# it, as at 96 dpi, against the screenshot's pixels there.
drawn_logo() {
    local shot=$1 png=$2 x=$3 y=$4 name=$5 size background differing total
    size=$(identify -format '%wx%h' "$png")
    read -r background < <(pixel_at "$shot" $((x - 1)) "$y")
    convert "$png" -background "rgb(${background// /,})" -flatten "$work/$name.want.png" ||
        fail "cannot compose $png"
    convert "$shot" -crop "$size+$x+$y" +repage "$work/$name.got.png"
    differing=$(command compare -metric AE -fuzz 8% "$work/$name.want.png" "$work/$name.got.png" null: 2>&1) || true
    total=$(identify -format '%[fx:w*h]' "$png")
    [ -n "$differing" ] && [ "${differing%.*}" -le $((total / 200)) ] ||
        fail "$name: $differing of $total pixels differ from $(basename "$png")"
    note "$name shows $(basename "$png") ($differing of $total pixels differ)"
}

# etched_line SCREENSHOT X1 Y1 X2 Y2 NAME: shadow at X1,Y1 and light at X2,Y2, against the button face.
etched_line() {
    local face shadow light
    face=$(brightness "$(pixel_at "$1" 5 330)")
    shadow=$(brightness "$(pixel_at "$1" "$2" "$3")")
    light=$(brightness "$(pixel_at "$1" "$4" "$5")")
    [ "$shadow" -lt "$face" ] && [ "$light" -gt "$face" ] ||
        fail "$6 is no etched line: brightness $shadow and $light beside the face's $face"
}

# check_sheet SHEET DPI TOLERANCE SCREENSHOT [REPORTED-DPI FORMSHOW-OPTIONS...]
check_sheet() {
    local sheet=$1 dpi=$2 tolerance=$3 shot=$4 reported=${5:-$2} dump="$work/sheet-$1-$2dpi.txt"
    shift 5 2>/dev/null || shift $#
    runs=$((runs + 1))
    start_form --sheet "$sheet" "$@"
    run_probe dump --class $kClass --title "$kTitle" --timeout 10000 ||
        fail "no dump of sheet $sheet: $(cat "$work/probe.err")"
    [ -s "$work/probe.err" ] && note "WinProbe: $(cat "$work/probe.err")"
    cp "$work/probe.out" "$dump"
    screenshot "$dump" "$shot"
    compare "$dump" "$sheet" "$dpi" "$tolerance" "$reported" && note "sheet $sheet at $dpi dpi matches the layout $*"
    close_form
}

wine_set_dpi 96 || fail "cannot set 96 dpi"
for ((sheet = 0; sheet < kSheets; sheet++)); do
    check_sheet $sheet 96 0 wizard-sheet-$sheet
done
cp "$screens/wizard-sheet-0.png" "$screens/wizard-sheet-0-96dpi.png" 2>/dev/null
shot=$work/wizard-sheet-0.client.png
drawn_logo "$shot" "$art/logo.png" 1 46 LogoImage
drawn_logo "$shot" "$art/logosmall.png" 440 6 LogoSmallImage
etched_line "$shot" 121 150 122 150 "B (the logo column's edge)"
etched_line "$shot" 100 306 100 307 "M (the line over the buttons)"

# Moved at run time to a monitor of 144 dpi (WM_DPICHANGED, as per-monitor awareness gets it): every
# length and font scales as if the window had started there; the system still reports 96.
check_sheet 3 144 1 wizard-sheet-3-rescaled-144dpi 96 --rescale 144

wine_set_dpi 144 || fail "cannot set 144 dpi"
check_sheet 0 144 1 wizard-sheet-0-144dpi
check_sheet 3 144 1 wizard-sheet-3-144dpi
wine_set_dpi 96 || fail "cannot restore 96 dpi"
same_picture wizard-sheet-3-rescaled-144dpi wizard-sheet-3-144dpi

[ ${#failures[@]} -eq 0 ] || fail "${#failures[@]} of $runs runs differ from $(basename "$layout"): ${failures[*]}"
note "ok"
