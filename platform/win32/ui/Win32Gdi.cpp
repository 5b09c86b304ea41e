#include "platform/win32/ui/Win32Ui.h"

#include <utility>

namespace ulv::win32ui {
namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);

GetDpiForWindowFn DpiForWindow() {
    // Windows 10 and later; user32 is already loaded.
    static auto fn = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    return fn;
}

const TPanel* NearestPanel(const TControl& control) {
    for (const TControl* c = control.Parent(); c; c = c->Parent())
        if (c->Kind() == TControlKind::Panel) return static_cast<const TPanel*>(c);
    return nullptr;
}

} // namespace

TFormData::~TFormData() {
    ReleaseAccessibility(*this);
}

HFONT TFormData::Font(const TFont& font) {
    auto key = std::make_tuple(font.Name, font.Height, font.Bold);
    auto it = Fonts.find(key);
    if (it != Fonts.end()) return it->second.Get();
    return Fonts.emplace(key, CreateScaledFont(font, Dpi)).first->second.Get();
}

TFormData::TFonts TFormData::TakeFonts() {
    return std::exchange(Fonts, {});
}

HBRUSH TFormData::Brush(TColor color) {
    // A brush in "the system's colour" is the window's.
    if (color == kColorDefault) color = kColorWindow;
    if (color & kColorSystem) return GetSysColorBrush(static_cast<int>(color & 0xFF));
    auto it = Brushes.find(color);
    if (it != Brushes.end()) return it->second.Get();
    return Brushes.emplace(color, UniqueBrush(CreateSolidBrush(ToColorRef(color)))).first->second.Get();
}

TFormData& DataOf(const TControl& control) {
    return static_cast<TFormData&>(*control.Form().Native.Data);
}

COLORREF ToColorRef(TColor color) {
    if (color == kColorDefault) return GetSysColor(COLOR_WINDOWTEXT);
    if (color & kColorSystem) return GetSysColor(static_cast<int>(color & 0xFF));
    return static_cast<COLORREF>(color & 0xFFFFFF);
}

TColor BackgroundOf(const TControl& control) {
    const TPanel* panel = NearestPanel(control);
    return panel ? panel->Color() : kColorBtnFace;
}

UniqueFont CreateScaledFont(const TFont& font, int dpi) {
    return UniqueFont(CreateFontA(MulDiv(font.Height, dpi, 96), 0, 0, 0, font.Bold ? FW_BOLD : FW_NORMAL,
                                  FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                  CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                                  font.Name.c_str()));
}

SIZE MeasureText(HDC dc, HFONT font, const std::string& text, int wrapWidth) {
    SelectedObject selected(dc, font);
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    RECT r{0, 0, wrapWidth, 0};
    UINT flags = DT_CALCRECT | (wrapWidth ? DT_WORDBREAK | DT_EXPANDTABS : DT_SINGLELINE);
    if (!text.empty()) DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r, flags);
    return SIZE{r.right - r.left, wrapWidth ? r.bottom - r.top : metrics.tmHeight};
}

int SystemDpi() {
    WindowDc screen(nullptr);
    int dpi = screen ? GetDeviceCaps(screen.Get(), LOGPIXELSY) : 96;
    return dpi > 0 ? dpi : 96;
}

int WindowDpi(HWND window) {
    if (GetDpiForWindowFn fn = DpiForWindow())
        if (UINT dpi = fn(window)) return static_cast<int>(dpi);
    return SystemDpi();
}

} // namespace ulv::win32ui

namespace ulv::backend {

TSize MeasureCaption(const TControl& control, const std::string& text) {
    win32ui::UniqueMemoryDc dc(nullptr);
    win32ui::UniqueFont font = win32ui::CreateScaledFont(control.Font(), 96);
    SIZE size = win32ui::MeasureText(dc.Get(), font.Get(), text, 0);
    return TSize{static_cast<int>(size.cx), static_cast<int>(size.cy)};
}

} // namespace ulv::backend
