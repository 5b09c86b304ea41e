#pragma once
// Shared pieces of the Win32 widget backend. Controls keep an HWND view in Native.Window; the form keeps
// its per-window data (resolution, fonts, brushes) in Native.Extra.
#include "platform/ui/Form.h"
#include "platform/win32/ui/GdiOwners.h"

#include <windows.h>
// The canvas has methods of these names; the ANSI functions are called by their own names here.
#undef TextOut
#undef DrawText

#include <map>
#include <memory>
#include <tuple>

namespace ulv::win32ui {

inline HWND Hwnd(const TControl& c) {
    return reinterpret_cast<HWND>(c.Native.Window);
}

// The control a window belongs to (nullptr for windows that are not ours).
TControl* ControlOf(HWND window);

// Hands the form's icon to its window (WM_SETICON, large and small).
void SetFormIcons(TForm& form);

// The edge of every window procedure: nothing thrown may cross into the system. An exception is reported
// (ReportUnexpectedFailure) and the procedure answers `failed`.
void ReportUnexpectedFailure(HWND window) noexcept;
template <typename Work> LRESULT Guarded(HWND window, LRESULT failed, Work&& work) noexcept {
    try {
        return work();
    } catch (...) {
        ReportUnexpectedFailure(window);
        return failed;
    }
}
// The control whose window is being created (its parent may be asked for item heights meanwhile).
TControl* CreatingControl();

// A length of the 96-dpi layout at the resolution.
inline int ScaleTo(int length96, int dpi) {
    return MulDiv(length96, dpi, 96);
}

// Owns GDI objects of one form at its current resolution.
class TFormData : public TNativeData {
public:
    explicit TFormData(int dpi) : Dpi(dpi) {}
    TFormData(const TFormData&) = delete;
    TFormData& operator=(const TFormData&) = delete;
    ~TFormData() override;
    [[nodiscard]] int Scale(int length96) const { return ScaleTo(length96, Dpi); }
    HFONT Font(const TFont& font);
    HBRUSH Brush(TColor color);
    // Starts a new set of fonts (at a new resolution); the old set is deleted with DeleteFonts once no
    // control uses it any more.
    using TFonts = std::map<std::tuple<std::string, int, bool>, UniqueFont>;
    [[nodiscard]] TFonts TakeFonts();

    int Dpi;
    HWND LastFocus = nullptr;
    void* AccessibilityService = nullptr;
    bool AccessibilityTried = false;
    bool Syncing = false;
    bool FailureReported = false;

private:
    TFonts Fonts;
    // Brushes of our own colours; the system's colours have brushes of the system's.
    std::map<TColor, UniqueBrush> Brushes;
};

TFormData& DataOf(const TControl& control);

// A colour of ours as a COLORREF (kColorDefault: the window text's).
COLORREF ToColorRef(TColor color);
// The colour the control's background shows: its nearest panel's, else the dialog face.
TColor BackgroundOf(const TControl& control);

[[nodiscard]] UniqueFont CreateScaledFont(const TFont& font, int dpi);
// The text's extent in the font: one line ("&" as the accelerator mark) when wrapWidth is 0, else
// wrapped at word boundaries within wrapWidth, as a static control draws it; the height of one line is
// the font's.
SIZE MeasureText(HDC dc, HFONT font, const std::string& text, int wrapWidth);
int SystemDpi();
int WindowDpi(HWND window);
// Size the native control takes at the form's resolution (auto-sized labels measured there).
SIZE NativeSize(TControl& control);
void PlaceNative(TControl& control);
// The form's window frame of that style for its client area at the resolution, centred in the primary
// monitor's work area: where the window is made.
RECT CentredFrame(const TForm& form, int dpi, DWORD style, DWORD exStyle);
// Whether the window came out at that resolution with the client area of the form's size.
bool FormPlaced(TForm& form, int dpi);
// Later siblings lie on top of earlier ones: an earlier sibling's window leaves out what they cover, through
// its region. Set for all the windows of the container's nearest window.
void ApplyOverlapRegions(TWinControl& container);
// Whether the shown control's window covers part of another shown control in the same window, but for
// those that hold it (a new control changes no region otherwise).
bool OverlapsShownControl(TControl& control);
void RescaleForm(TForm& form, int dpi, const RECT* suggested);

// Owner drawing and the list controls (Win32Lists.cpp).
void SyncListItems(TCustomList& list);
void InsertListItem(TCustomList& list);
void SyncListSelection(TCustomList& list);
void ApplyItemHeight(TCustomList& list);
bool DrawListItem(const DRAWITEMSTRUCT& item);
void SubclassCheckList(TCustomList& list);
// Check states for screen readers (Win32Accessibility.cpp): annotated once a client has asked for a check
// list's accessible object (WM_GETOBJECT), and from then on after every change.
void AnnotateCheckStates(TCheckListBox& list);
void AnswerAccessibilityRequest(TCheckListBox& list);
void NotifyCheckStateChanged(TCheckListBox& list, int index);
void ReleaseAccessibility(TFormData& data);
// Pictures (Win32Image.cpp).
void DrawPicture(HDC dc, const TBitmapImage& picture, const RECT& target, COLORREF background);
void DrawKeyed(HDC dc, const TBitmapImage& picture, int x, int y, int width, int height);

// Etched lines, pictures, panels, the page container and its sheets have no window: their windowed ancestor
// draws them, and the windowed controls a container holds are that ancestor's windows. One later than a
// windowed sibling lies on top of it through the sibling's region. Each window costs its creation and its
// share of showing and painting the form, and the first page has ten such controls (Win32Graphics.cpp).
bool DrawnByParent(const TControl& control);
// The control's top-left corner in the client area of its nearest windowed ancestor: its own place plus
// those of the windowless containers in between.
POINT PlaceInWindow(const TControl& control);
// Whether the control and the windowless containers between it and its nearest window are all visible.
bool ShownInWindow(const TControl& control);
// The control's place on the screen: its window's, or where its windowed ancestor draws it.
RECT ScreenRect(const TControl& control);
// The parent's client area where the control stands, at the window's resolution.
RECT GraphicRect(const TControl& control);
// A container's background and, for a panel, its bevels, over the box.
void DrawContainerFace(HDC dc, const TControl& container, const RECT& box);
// Draws the visible controls the container draws (and theirs) onto its device context.
void DrawGraphicChildren(HDC dc, const TControl& container);
// The window of the control or of its nearest ancestor that has one.
HWND WindowOf(const TControl& control);
// Has the control's place drawn again (its windowed ancestor's whole client area: its old place may differ).
void RedrawGraphic(const TControl& control);

// The form window's procedure: the one window of ours that holds controls.
LRESULT CALLBACK FormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Keys of the form (Tab, Enter, Esc, accelerators) before the focused control sees them.
bool PreTranslateFormKey(TForm& form, const MSG& message);

} // namespace ulv::win32ui
