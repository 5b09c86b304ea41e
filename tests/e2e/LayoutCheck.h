#pragma once
// The wizard's window as WinProbe dumps it, against its layout as designed (wizard_layout.txt, whose header
// says what each column means). Plain C++: WinProbe's check-layout verb and its own test both use it.
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace ulv::test {

// One comparison: the tab sheet shown, the resolution the window was laid out for, the one it reports (a
// window told of a new resolution at run time still reports the system's, and stays where the system put it),
// how many pixels a length may be off per nesting level, and the controls' ids by name, which stand for the
// layout's id column when given (the program's own, so that a control that moves changes nothing here).
struct LayoutRun {
    int Sheet = 0;
    int Dpi = 96;
    int ReportedDpi = 96;
    int Tolerance = 0;
    std::map<std::string, std::string> Ids;
};

// `layout` in the dump's terms (Windows-1252, bytes from 0x80 up written \xNN), `dump` as WinProbe's dump
// verb prints it. One line per difference, "WHAT FIELD: expected X, got Y", where WHAT names the control
// ("NextBtn (id 47)"); lengths off by more than the tolerance say by how much. In the layout's order, then
// the dump's controls out of creation order and those the layout lacks. Empty when the window is as designed.
std::vector<std::string> CompareLayout(std::string_view layout, std::string_view dump, const LayoutRun& run);

// A length of 96-dpi pixels at `dpi`, rounded half away from zero as MulDiv rounds.
long Scaled(long length, int dpi);

} // namespace ulv::test
