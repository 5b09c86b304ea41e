// Examines and drives another process's windows for end-to-end tests run under Wine.
//
//   WinProbe wait-window [--class C] [--title T] [--timeout MS]
//   WinProbe click [--class C] [--title T] --button TEXT [--timeout MS]
//   WinProbe dump [--class C] --title T [--timeout MS]
//   WinProbe close [--class C] --title T
//   WinProbe items --title T --id N           the item texts of list or drop-down list N, one a line
//   WinProbe mouse --title T --id N --at X,Y [--double]   a left click posted at X,Y in control N
//   WinProbe key --title T --id N --vk V      a key (virtual-key code V) posted to control N (0: the window)
//   WinProbe syschar --title T --char C       Alt+C posted to the window's focused control
//   WinProbe focus --title T                  the id of the control holding the focus (0: none of its own)
//   WinProbe text --title T --id N            control N's text (0: the window's), quoted
//   WinProbe wait-text --title T --id N --text X [--timeout MS]   until control N shows exactly X
//   WinProbe find-prop NAME [--timeout MS]
//   WinProbe close-prop NAME
//   WinProbe watch IMAGE [--timeout MS]   every top-level window of the processes of that image file name,
//                                         from the first one's start to the last one's end
//   WinProbe check-layout LAYOUT DUMP --sheet S --dpi D [--reported R] [--tolerance T] [--ids "NAME=ID ..."]
//       a dump (below) of the wizard with tab sheet S active, laid out for D dpi and reporting R (D unless
//       told), against the layout file (UTF-8, as wizard_layout.txt): one line per difference, lengths
//       allowed T pixels (0 unless told) per nesting level, the controls' ids taken from --ids where it
//       names them; exit status 1 when they differ
//
// Windows are visible top-level ones, picked by class, exact title or both. Exit status: 0 done, 1 not
// found or timed out, 2 usage error. Output is one item per line, ending in LF only and in UTF-8, so
// shell tests can compare it with their own literals; quoted strings escape backslash, double quote,
// CR, LF and tab as \\ \" \r \n \t.
//
// dump prints the window and then each descendant in EnumChildWindows order, one line each, as
// tab-separated KEY=VALUE fields in a fixed order, for awk:
//   window class style kind client=W,H rect=L,T,W,H screen=W,H dpi font text
//   ctl id class parent rect=L,T,W,H form=L,T,W,H visible enabled style kind checked item font
//       extent=W,H icon text
// The window's rect is on the screen; a control's rect is in its parent's client area, form in the
// window's; parent is the parent's control id, 0 for the window. kind names the style bits a test
// checks (the frame flags, or the control's type and options); checked is BM_GETCHECK of check
// boxes, item the item height of lists; font is FACE,HEIGHT,WEIGHT from the control's LOGFONT
// ("none" without a font, "?" when the target did not answer) and extent the size of its caption
// drawn as one line in that font, both taken inside the target process at its resolution. Texts are
// ASCII: the window's Windows-1252 bytes, with backslash, CR, LF and tab as \\ \r \n \t and
// other control characters and bytes from 0x7F up as \xNN.
#include "tests/e2e/LayoutCheck.h"
#include "tests/support/Win32Text.h"
#include "tests/support/Win32Windows.h"

#include <windows.h>

#include <tlhelp32.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

using ulv::test::ClassOf;
using ulv::test::Enumerate;
using ulv::test::kSendTimeoutMs;
using ulv::test::TextOf;
using ulv::test::ToUtf8;

constexpr int kExitFound = 0;
constexpr int kExitNotFound = 1;
constexpr int kExitUsage = 2;
constexpr DWORD kPollMs = 50;
constexpr DWORD kDefaultTimeoutMs = 10000;

struct Options {
    const char* command = nullptr;
    const char* className = nullptr;
    const char* title = nullptr;
    const char* button = nullptr;
    const char* propName = nullptr;
    const char* id = nullptr;
    const char* at = nullptr;
    const char* vk = nullptr;
    const char* character = nullptr;
    const char* text = nullptr;
    const char* sheet = nullptr;
    const char* dpi = nullptr;
    const char* reported = nullptr;
    const char* tolerance = nullptr;
    const char* ids = nullptr;
    std::vector<const char*> operands;
    bool doubleClick = false;
    DWORD timeoutMs = kDefaultTimeoutMs;
};

std::string Quoted(const std::string& ansi) {
    std::string out = "\"";
    const char kEscaped[] = "\\\"\r\n\t", kLetters[] = "\\\"rnt";
    for (char c : ToUtf8(ansi)) {
        const char* hit = c ? std::strchr(kEscaped, c) : nullptr;
        if (hit)
            out += '\\', out += kLetters[hit - kEscaped];
        else
            out += c;
    }
    return out + "\"";
}

ulv::test::TopLevelQuery Query(const Options& options) {
    ulv::test::TopLevelQuery query;
    query.ClassName = options.className;
    if (options.title && std::strcmp(options.title, "*") != 0) query.Title = options.title;
    return query;
}

HWND FindTopLevel(const Options& options) {
    return ulv::test::FindTopLevel(Query(options));
}

std::string Described(const Options& options) {
    std::string text = "visible window";
    if (options.className) text += " of class " + Quoted(options.className);
    if (options.title) text += " titled " + Quoted(options.title);
    return text;
}

HWND FindProp(const char* name) {
    return Enumerate(nullptr, [&](HWND window) { return GetPropA(window, name) != nullptr; });
}

template <typename Finder> bool PollUntil(DWORD timeoutMs, Finder finder) {
    return ulv::test::PollUntil(timeoutMs, kPollMs, finder);
}

struct StockIcon {
    LPCSTR id;
    const char* name;
};
const StockIcon kStockIcons[] = {{IDI_EXCLAMATION, "exclamation"},
                                 {IDI_HAND, "hand"},
                                 {IDI_ASTERISK, "asterisk"},
                                 {IDI_QUESTION, "question"}};

// A 32-bit top-down DIB section selected into its own DC, so its pixels can be compared directly.
class MemoryBitmap {
public:
    MemoryBitmap(int width, int height) : dc_(CreateCompatibleDC(nullptr)), bytes_(width * height * 4) {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
    }
    ~MemoryBitmap() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    MemoryBitmap(const MemoryBitmap&) = delete;
    MemoryBitmap& operator=(const MemoryBitmap&) = delete;
    HDC Dc() const { return dc_; }
    bool SamePixels(const MemoryBitmap& other) const {
        GdiFlush();
        return bits_ && other.bits_ && std::memcmp(bits_, other.bits_, bytes_) == 0;
    }

private:
    HDC dc_;
    size_t bytes_;
    void* bits_ = nullptr;
    HBITMAP bitmap_;
    HGDIOBJ old_;
};

// Under Wine each process loads its own copy of the stock icons, so the handle a control shows
// never equals ours. What it draws does: capture the control from the screen and draw each stock
// icon the way the static control does (natural size, at its client origin) over the same
// background, taken from a corner the icon leaves transparent.
const char* IconByPixels(HWND control) {
    RECT client;
    GetClientRect(control, &client);
    int width = GetSystemMetrics(SM_CXICON), height = GetSystemMetrics(SM_CYICON);
    if (client.right < width || client.bottom < height) return "other";
    UpdateWindow(control);
    POINT origin{0, 0};
    ClientToScreen(control, &origin);
    HDC screen = GetDC(nullptr);
    MemoryBitmap shot(width, height);
    BitBlt(shot.Dc(), 0, 0, width, height, screen, origin.x, origin.y, SRCCOPY);
    ReleaseDC(nullptr, screen);
    const char* name = "other";
    for (const auto& stock : kStockIcons) {
        MemoryBitmap drawn(width, height);
        HBRUSH background = CreateSolidBrush(GetPixel(shot.Dc(), 0, 0));
        RECT all{0, 0, width, height};
        FillRect(drawn.Dc(), &all, background);
        DeleteObject(background);
        DrawIconEx(drawn.Dc(), 0, 0, LoadIconA(nullptr, stock.id), 0, 0, 0, nullptr, DI_NORMAL);
        if (drawn.SamePixels(shot)) name = stock.name;
    }
    return name;
}

const char* IconName(HWND control) {
    DWORD_PTR icon = 0;
    SendMessageTimeoutA(control, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &icon);
    if (!icon) return "none";
    for (const auto& stock : kStockIcons) {
        if (reinterpret_cast<DWORD_PTR>(LoadIconA(nullptr, stock.id)) == icon) return stock.name;
    }
    return IconByPixels(control);
}

void PrintChild(HWND top, HWND child) {
    std::string className = ClassOf(child);
    LONG style = GetWindowLongA(child, GWL_STYLE);
    RECT rect;
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, top, reinterpret_cast<POINT*>(&rect), 2);
    std::printf("child class=%s id=%d text=%s style=0x%08lX visible=%d rect=%ld,%ld,%ld,%ld",
                Quoted(className).c_str(), GetDlgCtrlID(child), Quoted(TextOf(child)).c_str(),
                static_cast<unsigned long>(style), IsWindowVisible(child) ? 1 : 0, rect.left, rect.top,
                rect.right, rect.bottom);
    if (lstrcmpiA(className.c_str(), "Static") == 0 && (style & SS_TYPEMASK) == SS_ICON)
        std::printf(" icon=%s", IconName(child));
    std::printf("\n");
}

void PrintWindowLine(HWND window) {
    std::printf("hwnd=0x%llX title=%s\n", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)),
                Quoted(TextOf(window)).c_str());
}

int WaitWindow(const Options& options) {
    HWND window = nullptr;
    if (!PollUntil(options.timeoutMs, [&] { return (window = FindTopLevel(options)); })) {
        std::fprintf(stderr, "WinProbe: no %s\n", Described(options).c_str());
        return kExitNotFound;
    }
    PrintWindowLine(window);
    Enumerate(window, [&](HWND child) {
        PrintChild(window, child);
        return false;
    });
    return kExitFound;
}

// A disabled or hidden button is not clicked: a user could not either, and the test should see
// that instead of pushing the program somewhere it would never go. It may still become
// clickable before the timeout.
HWND FindClickableButton(const Options& options) {
    HWND window = FindTopLevel(options);
    if (!window) return nullptr;
    HWND button = ulv::test::FindChild(window, "Button", options.button);
    return button && IsWindowEnabled(button) && IsWindowVisible(button) ? button : nullptr;
}

int Click(const Options& options) {
    HWND button = nullptr;
    if (!PollUntil(options.timeoutMs, [&] { return (button = FindClickableButton(options)); })) {
        std::fprintf(stderr, "WinProbe: no enabled, visible button %s in a %s\n",
                     Quoted(options.button).c_str(), Described(options).c_str());
        return kExitNotFound;
    }
    // Posted, not sent: the click may open a modal loop in the target that would not return
    // until someone (perhaps this probe's next run) closes it.
    PostMessageA(button, BM_CLICK, 0, 0);
    std::printf("clicked\n");
    return kExitFound;
}

// Everything a dump says about the fonts is read inside the target: GDI objects belong to their
// process, and Wine answers WM_GETFONT from another process with 0. A hook procedure of the probe
// runs there on a registered message and sends back one record per window in WM_COPYDATA.
constexpr char kFontQueryName[] = "WinProbe font query";
constexpr ULONG_PTR kFontRecordTag = 0x57504652;
// Enough for any caption an auto-sized label can carry.
constexpr int kMeasuredTextMax = 1024;

struct FontRecord {
    HWND window;
    BOOL hasFont;
    LOGFONTA font;
    SIZE extent;
    UINT dpi;
};

// From here to FontQueryHook the code runs in the target, in a copy of this image whose C runtime
// never started: Win32 calls only.
UINT WindowDpi(HWND window) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    // Windows 10 and later.
    auto dpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    if (UINT dpi = dpiForWindow ? dpiForWindow(window) : 0) return dpi;
    HDC dc = GetDC(window);
    int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(window, dc);
    return static_cast<UINT>(dpi);
}

// Measured as an auto-sized label sizes itself: one line, "&" taken as the accelerator mark.
BOOL CALLBACK SendFontRecord(HWND window, LPARAM reply) {
    FontRecord record{};
    record.window = window;
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0));
    record.hasFont = font && GetObjectA(font, sizeof record.font, &record.font) > 0;
    char text[kMeasuredTextMax];
    if (GetWindowTextA(window, text, sizeof text) <= 0) text[0] = '\0';
    HDC dc = GetDC(window);
    HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    RECT extent{0, 0, 0, 0};
    DrawTextA(dc, text, -1, &extent, DT_CALCRECT | DT_SINGLELINE);
    record.extent = {extent.right - extent.left, extent.bottom - extent.top};
    if (old) SelectObject(dc, old);
    ReleaseDC(window, dc);
    record.dpi = WindowDpi(window);
    COPYDATASTRUCT data{kFontRecordTag, sizeof record, &record};
    SendMessageA(reinterpret_cast<HWND>(reply), WM_COPYDATA, reinterpret_cast<WPARAM>(window),
                 reinterpret_cast<LPARAM>(&data));
    return TRUE;
}

LRESULT CALLBACK FontQueryHook(int code, WPARAM wParam, LPARAM lParam) {
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == RegisterWindowMessageA(kFontQueryName)) {
        SendFontRecord(call->hwnd, static_cast<LPARAM>(call->wParam));
        EnumChildWindows(call->hwnd, SendFontRecord, static_cast<LPARAM>(call->wParam));
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

std::string ReadWholeFile(const std::string& path) {
    std::string bytes;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    DWORD size = GetFileSize(file, nullptr), read = 0;
    if (size != INVALID_FILE_SIZE) bytes.resize(size);
    if (!ReadFile(file, bytes.data(), size, &read, nullptr) || read != size) bytes.clear();
    CloseHandle(file);
    return bytes;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
              written == bytes.size();
    return CloseHandle(file) && ok;
}

// Wine will not load an executable as a hook module. A copy flagged as a DLL, without entry point and
// TLS callbacks, loads as one and starts nothing of the C runtime in the target. The image keeps its
// relocations, so the copy may load anywhere.
bool MakeBareDll(std::string& image) {
    if (image.size() < sizeof(IMAGE_DOS_HEADER)) return false;
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(image.data());
    if (dos->e_magic != IMAGE_DOS_SIGNATURE || dos->e_lfanew < 0 ||
        static_cast<size_t>(dos->e_lfanew) + sizeof(IMAGE_NT_HEADERS) > image.size())
        return false;
    // The headers of the probe's own kind, PE32 or PE32+, as the image is this program.
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(image.data() + dos->e_lfanew);
    if (nt->Signature != IMAGE_NT_SIGNATURE || nt->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR_MAGIC)
        return false;
    nt->FileHeader.Characteristics |= IMAGE_FILE_DLL;
    nt->OptionalHeader.AddressOfEntryPoint = 0;
    nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_TLS] = {0, 0};
    return true;
}

// Beside the probe under a fixed name. A target of an earlier dump may still hold the file (hook
// modules stay loaded); an identical copy is used as it is.
HMODULE LoadHookModule() {
    char self[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, self, sizeof self);
    if (length == 0 || length >= sizeof self) return nullptr;
    std::string image = ReadWholeFile(self);
    if (!MakeBareDll(image)) return nullptr;
    std::string path = self;
    path.resize(path.size() - (path.size() > 4 ? 4 : 0));
    path += ".hook.dll";
    if (ReadWholeFile(path) != image && !WriteWholeFile(path, image)) return nullptr;
    return LoadLibraryA(path.c_str());
}

LRESULT CALLBACK FontReplyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_COPYDATA) return DefWindowProcA(window, message, wParam, lParam);
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    auto* records = reinterpret_cast<std::vector<FontRecord>*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!records || data->dwData != kFontRecordTag || data->cbData != sizeof(FontRecord)) return FALSE;
    FontRecord record;
    std::memcpy(&record, data->lpData, sizeof record);
    records->push_back(record);
    return TRUE;
}

// The records arrive while SendMessageTimeout waits: a thread waiting for a reply still takes the
// messages sent to it.
std::vector<FontRecord> QueryFonts(HWND target) {
    std::vector<FontRecord> records;
    HMODULE module = LoadHookModule();
    if (!module) {
        std::fprintf(stderr, "WinProbe: cannot make the hook module (error %lu)\n", GetLastError());
        return records;
    }
    HINSTANCE self = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = FontReplyProc;
    windowClass.hInstance = self;
    windowClass.lpszClassName = "WinProbeFontReply";
    RegisterClassA(&windowClass);
    HWND reply =
        CreateWindowA(windowClass.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, self, nullptr);
    SetWindowLongPtrA(reply, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&records));
    UINT_PTR offset = reinterpret_cast<UINT_PTR>(&FontQueryHook) - reinterpret_cast<UINT_PTR>(self);
    auto hookProc = reinterpret_cast<HOOKPROC>(reinterpret_cast<UINT_PTR>(module) + offset);
    HHOOK hook =
        SetWindowsHookExA(WH_CALLWNDPROC, hookProc, module, GetWindowThreadProcessId(target, nullptr));
    DWORD_PTR ignored = 0;
    if (!hook ||
        !SendMessageTimeoutA(target, RegisterWindowMessageA(kFontQueryName), reinterpret_cast<WPARAM>(reply),
                             0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &ignored))
        std::fprintf(stderr, "WinProbe: the target did not answer the font query (error %lu)\n",
                     GetLastError());
    if (hook) UnhookWindowsHookEx(hook);
    DestroyWindow(reply);
    FreeLibrary(module);
    return records;
}

const FontRecord* RecordOf(const std::vector<FontRecord>& records, HWND window) {
    for (const auto& record : records) {
        if (record.window == window) return &record;
    }
    return nullptr;
}

std::string Escaped(const std::string& bytes) {
    std::string out;
    const char kNamed[] = "\\\r\n\t", kLetters[] = "\\rnt";
    for (unsigned char c : bytes) {
        const char* named = c ? std::strchr(kNamed, c) : nullptr;
        char hex[8];
        if (named) {
            out += '\\';
            out += kLetters[named - kNamed];
        } else if (c < 0x20 || c >= 0x7F) {
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string FontText(const FontRecord* record) {
    if (!record) return "?";
    if (!record->hasFont) return "none";
    return Escaped(record->font.lfFaceName) + "," + std::to_string(record->font.lfHeight) + "," +
           std::to_string(record->font.lfWeight);
}

std::string Pair(long first, long second) {
    return std::to_string(first) + "," + std::to_string(second);
}

std::string Box(const RECT& rect) {
    return Pair(rect.left, rect.top) + "," + Pair(rect.right - rect.left, rect.bottom - rect.top);
}

RECT RectIn(HWND window, HWND reference) {
    RECT rect;
    GetWindowRect(window, &rect);
    MapWindowPoints(nullptr, reference, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::string Hex(LONG value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(value));
    return text;
}

// Names joined by "+"; a value without a name in the table shows as its number.
struct StyleName {
    DWORD bits;
    const char* name;
};

template <size_t N> std::string Flags(DWORD style, const StyleName (&names)[N], std::string out = {}) {
    for (const auto& entry : names) {
        if ((style & entry.bits) == entry.bits) out += (out.empty() ? "" : "+") + std::string(entry.name);
    }
    return out.empty() ? "-" : out;
}

template <size_t N> std::string TypeName(DWORD type, const char* const (&names)[N]) {
    return type < N ? names[type] : "type" + std::to_string(type);
}

const char* const kButtonTypes[] = {"push",       "defpush",   "check",      "autocheck",
                                    "radio",      "3state",    "auto3state", "groupbox",
                                    "userbutton", "autoradio", "pushbox",    "ownerdraw"};
const char* const kStaticTypes[] = {"left",        "center",     "right",          "icon",       "blackrect",
                                    "grayrect",    "whiterect",  "blackframe",     "grayframe",  "whiteframe",
                                    "useritem",    "simple",     "leftnowordwrap", "ownerdraw",  "bitmap",
                                    "enhmetafile", "etchedhorz", "etchedvert",     "etchedframe"};
const char* const kComboTypes[] = {"type0", "simple", "dropdown", "dropdownlist"};
const StyleName kFrameFlags[] = {{WS_CAPTION, "caption"},
                                 {WS_SYSMENU, "sysmenu"},
                                 {WS_THICKFRAME, "thickframe"},
                                 {WS_MINIMIZEBOX, "minimizebox"},
                                 {WS_MAXIMIZEBOX, "maximizebox"}};
const StyleName kStaticFlags[] = {{SS_NOPREFIX, "noprefix"}};
const StyleName kEditFlags[] = {
    {ES_READONLY, "readonly"}, {WS_VSCROLL, "vscroll"}, {ES_PASSWORD, "password"}};
const StyleName kListFlags[] = {{LBS_OWNERDRAWFIXED, "ownerdrawfixed"},
                                {LBS_OWNERDRAWVARIABLE, "ownerdrawvariable"},
                                {LBS_HASSTRINGS, "hasstrings"},
                                {LBS_SORT, "sort"}};
const StyleName kComboFlags[] = {{CBS_OWNERDRAWFIXED, "ownerdrawfixed"},
                                 {CBS_OWNERDRAWVARIABLE, "ownerdrawvariable"},
                                 {CBS_HASSTRINGS, "hasstrings"},
                                 {CBS_SORT, "sort"}};

bool IsClass(const std::string& className, const char* name) {
    return lstrcmpiA(className.c_str(), name) == 0;
}

std::string KindOf(const std::string& className, DWORD style) {
    if (IsClass(className, "Button")) return TypeName(style & BS_TYPEMASK, kButtonTypes);
    if (IsClass(className, "Static"))
        return Flags(style & ~SS_TYPEMASK, kStaticFlags, TypeName(style & SS_TYPEMASK, kStaticTypes));
    if (IsClass(className, "Edit"))
        return Flags(style, kEditFlags, (style & ES_MULTILINE) ? "multiline" : "single");
    if (IsClass(className, "ListBox")) return Flags(style, kListFlags);
    if (IsClass(className, "ComboBox"))
        return Flags(style & ~3u, kComboFlags, TypeName(style & 3u, kComboTypes));
    return "-";
}

// A cross-process message whose answer fits in its result; -1 when the target does not answer.
LONG_PTR Ask(HWND window, UINT message, WPARAM wParam = 0) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, message, wParam, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result))
        return -1;
    return static_cast<LONG_PTR>(result);
}

bool IsCheckable(const std::string& className, DWORD style) {
    if (!IsClass(className, "Button")) return false;
    switch (style & BS_TYPEMASK) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_3STATE:
    case BS_AUTO3STATE:
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
        return true;
    default:
        return false;
    }
}

std::string ItemHeightOf(HWND control, const std::string& className) {
    if (IsClass(className, "ListBox")) return std::to_string(Ask(control, LB_GETITEMHEIGHT));
    if (IsClass(className, "ComboBox")) return std::to_string(Ask(control, CB_GETITEMHEIGHT));
    return "-";
}

void PrintDumpWindow(HWND window, const FontRecord* record) {
    DWORD style = static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE));
    RECT client, frame;
    GetClientRect(window, &client);
    GetWindowRect(window, &frame);
    UINT dpi = record ? record->dpi : WindowDpi(window);
    std::printf(
        "window\tclass=%s\tstyle=%s\tkind=%s\tclient=%s\trect=%s\tscreen=%s\tdpi=%u\tfont=%s\ttext=%s\n",
        Escaped(ClassOf(window)).c_str(), Hex(static_cast<LONG>(style)).c_str(),
        Flags(style, kFrameFlags).c_str(), Pair(client.right, client.bottom).c_str(), Box(frame).c_str(),
        Pair(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)).c_str(), dpi,
        FontText(record).c_str(), Escaped(TextOf(window)).c_str());
}

void PrintDumpControl(HWND top, HWND control, const FontRecord* record) {
    std::string className = ClassOf(control);
    DWORD style = static_cast<DWORD>(GetWindowLongA(control, GWL_STYLE));
    HWND parent = GetAncestor(control, GA_PARENT);
    std::string checked = IsCheckable(className, style) ? std::to_string(Ask(control, BM_GETCHECK)) : "-";
    bool icon = IsClass(className, "Static") && (style & SS_TYPEMASK) == SS_ICON;
    std::printf("ctl\tid=%d\tclass=%s\tparent=%d\trect=%s\tform=%s\tvisible=%d\tenabled=%d\tstyle=%s\tkind=%s"
                "\tchecked=%s\titem=%s\tfont=%s\textent=%s\ticon=%s\ttext=%s\n",
                GetDlgCtrlID(control), Escaped(className).c_str(), parent == top ? 0 : GetDlgCtrlID(parent),
                Box(RectIn(control, parent)).c_str(), Box(RectIn(control, top)).c_str(),
                IsWindowVisible(control) ? 1 : 0, IsWindowEnabled(control) ? 1 : 0,
                Hex(static_cast<LONG>(style)).c_str(), KindOf(className, style).c_str(), checked.c_str(),
                ItemHeightOf(control, className).c_str(), FontText(record).c_str(),
                record ? Pair(record->extent.cx, record->extent.cy).c_str() : "?",
                icon ? IconName(control) : "-", Escaped(TextOf(control)).c_str());
}

int Dump(const Options& options) {
    HWND window = nullptr;
    if (!PollUntil(options.timeoutMs, [&] { return (window = FindTopLevel(options)); })) {
        std::fprintf(stderr, "WinProbe: no %s\n", Described(options).c_str());
        return kExitNotFound;
    }
    std::vector<FontRecord> records = QueryFonts(window);
    PrintDumpWindow(window, RecordOf(records, window));
    Enumerate(window, [&](HWND control) {
        PrintDumpControl(window, control, RecordOf(records, control));
        return false;
    });
    return kExitFound;
}

// Posted: the window may ask a question before it closes, and the probe must not wait for that.
int Close(const Options& options) {
    int count = 0;
    Enumerate(nullptr, [&](HWND window) {
        if (ulv::test::Matches(window, Query(options)) && PostMessageA(window, WM_CLOSE, 0, 0)) ++count;
        return false;
    });
    std::printf("%d\n", count);
    return count > 0 ? kExitFound : kExitNotFound;
}

int FindPropWindow(const Options& options) {
    HWND window = nullptr;
    if (!PollUntil(options.timeoutMs, [&] { return (window = FindProp(options.propName)); })) {
        std::fprintf(stderr, "WinProbe: no window carries the property %s\n",
                     Quoted(options.propName).c_str());
        return kExitNotFound;
    }
    PrintWindowLine(window);
    return kExitFound;
}

int CloseProp(const Options& options) {
    int count = 0;
    Enumerate(nullptr, [&](HWND window) {
        if (GetPropA(window, options.propName) && PostMessageA(window, WM_CLOSE, 0, 0)) ++count;
        return false;
    });
    std::printf("%d\n", count);
    return count > 0 ? kExitFound : kExitNotFound;
}

// The wizard window named by --title, and its control named by --id (0: the window itself).
bool FindTarget(const Options& options, HWND* window, HWND* control) {
    if (!PollUntil(options.timeoutMs, [&] { return (*window = FindTopLevel(options)); })) {
        std::fprintf(stderr, "WinProbe: no window %s\n", Described(options).c_str());
        return false;
    }
    if (!control) return true;
    int id = options.id ? std::atoi(options.id) : 0;
    *control = id ? nullptr : *window;
    if (id) Enumerate(*window, [&](HWND child) { return GetDlgCtrlID(child) == id && (*control = child); });
    if (!*control) std::fprintf(stderr, "WinProbe: no control %d in the window\n", id);
    return *control != nullptr;
}

// Cross-process LB_GETTEXT answers in UTF-16 under Wine whatever the variant, so the W one is asked.
int Items(const Options& options) {
    HWND window, control;
    if (!FindTarget(options, &window, &control)) return kExitNotFound;
    bool combo = IsClass(ClassOf(control), "ComboBox");
    LONG_PTR count = Ask(control, combo ? CB_GETCOUNT : LB_GETCOUNT);
    for (LONG_PTR i = 0; i < count; ++i) {
        LONG_PTR length = Ask(control, combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, static_cast<WPARAM>(i));
        if (length < 0) return kExitNotFound;
        std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
        DWORD_PTR got = 0;
        SendMessageTimeoutW(control, combo ? CB_GETLBTEXT : LB_GETTEXT, static_cast<WPARAM>(i),
                            reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG, kSendTimeoutMs, &got);
        text.resize(static_cast<std::size_t>(got));
        int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                        nullptr, nullptr);
        std::string utf8(static_cast<std::size_t>(bytes), '\0');
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), bytes,
                            nullptr, nullptr);
        std::printf("%s\n", utf8.c_str());
    }
    return kExitFound;
}

int Mouse(const Options& options) {
    HWND window, control;
    int x = 0, y = 0;
    if (!options.at || std::sscanf(options.at, "%d,%d", &x, &y) != 2) return kExitUsage;
    if (!FindTarget(options, &window, &control)) return kExitNotFound;
    LPARAM where = MAKELPARAM(x, y);
    PostMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, where);
    PostMessageA(control, WM_LBUTTONUP, 0, where);
    if (options.doubleClick) {
        PostMessageA(control, WM_LBUTTONDBLCLK, MK_LBUTTON, where);
        PostMessageA(control, WM_LBUTTONUP, 0, where);
    }
    return kExitFound;
}

int Key(const Options& options) {
    HWND window, control;
    if (!options.vk) return kExitUsage;
    if (!FindTarget(options, &window, &control)) return kExitNotFound;
    auto vk = static_cast<WPARAM>(std::strtoul(options.vk, nullptr, 0));
    PostMessageA(control, WM_KEYDOWN, vk, 1);
    PostMessageA(control, WM_KEYUP, vk, static_cast<LPARAM>(0xC0000001u));
    return kExitFound;
}

HWND FocusOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
    return info.hwndFocus;
}

int SysChar(const Options& options) {
    HWND window;
    if (!options.character || !options.character[0]) return kExitUsage;
    if (!FindTarget(options, &window, nullptr)) return kExitNotFound;
    HWND focus = FocusOf(window);
    // Bit 29: the Alt key is down.
    PostMessageA(focus ? focus : window, WM_SYSCHAR, static_cast<unsigned char>(options.character[0]),
                 1 << 29);
    return kExitFound;
}

int Text(const Options& options) {
    HWND window, control;
    if (!FindTarget(options, &window, &control)) return kExitNotFound;
    std::printf("%s\n", Quoted(TextOf(control)).c_str());
    return kExitFound;
}

HWND ControlOf(HWND window, const char* id) {
    int wanted = id ? std::atoi(id) : 0;
    if (!wanted) return window;
    return Enumerate(window, [&](HWND child) { return GetDlgCtrlID(child) == wanted; });
}

// Window and control are looked up afresh at each poll: a dialog that closes and another that opens under
// the same title must not leave the probe watching a dead window.
int WaitText(const Options& options) {
    std::string last = "(no such control)";
    bool found = PollUntil(options.timeoutMs, [&] {
        HWND window = FindTopLevel(options);
        HWND control = window ? ControlOf(window, options.id) : nullptr;
        if (!control) return false;
        last = TextOf(control);
        return last == options.text;
    });
    if (!found) {
        std::fprintf(stderr, "WinProbe: control %s of a %s shows %s, not %s\n", options.id ? options.id : "0",
                     Described(options).c_str(), Quoted(last).c_str(), Quoted(options.text).c_str());
        return kExitNotFound;
    }
    std::printf("%s\n", Quoted(last).c_str());
    return kExitFound;
}

int Focus(const Options& options) {
    HWND window;
    if (!FindTarget(options, &window, nullptr)) return kExitNotFound;
    HWND focus = FocusOf(window);
    std::printf("%d\n", focus && focus != window && IsChild(window, focus) ? GetDlgCtrlID(focus) : 0);
    return kExitFound;
}

// The running processes whose image file is named `image` (any case).
std::vector<DWORD> ProcessesOf(const char* image) {
    std::vector<DWORD> ids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return ids;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        if (lstrcmpiA(entry.szExeFile, image) == 0) ids.push_back(entry.th32ProcessID);
    CloseHandle(snapshot);
    return ids;
}

// Says "watching" once it has begun, then polls every 10 ms: each window is printed once per state it was
// seen in ("visible" or "hidden", its class, its title), then "ended" once the processes have come and gone.
// A window that shows between two polls for less than 10 ms can be missed; a dialog waiting for an answer
// cannot.
int Watch(const Options& options) {
    struct Seen {
        const std::vector<DWORD>* Ids;
        std::set<std::string>* Lines;
    };
    std::set<std::string> lines;
    std::printf("watching\n");
    std::fflush(stdout);
    bool appeared = false;
    const DWORD start = GetTickCount();
    for (;;) {
        std::vector<DWORD> ids = ProcessesOf(options.propName);
        if (ids.empty() && appeared) break;
        appeared = appeared || !ids.empty();
        Seen seen{&ids, &lines};
        EnumWindows(
            [](HWND window, LPARAM context) CALLBACK -> BOOL {
                auto& seen = *reinterpret_cast<Seen*>(context);
                DWORD process = 0;
                GetWindowThreadProcessId(window, &process);
                bool ours = false;
                for (DWORD id : *seen.Ids)
                    ours = ours || id == process;
                if (!ours) return TRUE;
                char className[256] = {};
                GetClassNameA(window, className, sizeof className);
                std::string line = std::string(IsWindowVisible(window) ? "visible" : "hidden") + "\t" +
                                   Quoted(className) + "\t" + Quoted(TextOf(window));
                if (seen.Lines->insert(line).second) std::printf("%s\n", line.c_str());
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&seen));
        std::fflush(stdout);
        if (GetTickCount() - start > options.timeoutMs) return kExitNotFound;
        Sleep(10);
    }
    std::printf("ended\n");
    return kExitFound;
}

// The layout file is UTF-8; the dump's texts are Windows-1252 bytes, those from 0x80 up written \xNN.
bool InDumpTerms(const std::string& utf8, std::string* out) {
    int size = static_cast<int>(utf8.size());
    std::wstring wide(static_cast<size_t>(size), L'\0');
    int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, wide.data(), size);
    std::string ansi(static_cast<size_t>(length) * 2, '\0');
    BOOL lossy = FALSE;
    int bytes = WideCharToMultiByte(1252, WC_NO_BEST_FIT_CHARS, wide.data(), length, ansi.data(),
                                    static_cast<int>(ansi.size()), nullptr, &lossy);
    if (length <= 0 || bytes <= 0 || lossy) return false;
    ansi.resize(static_cast<size_t>(bytes));
    for (unsigned char c : ansi) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\x%02X", c);
        *out += c < 0x80 ? std::string(1, static_cast<char>(c)) : std::string(hex);
    }
    return true;
}

bool ParseCount(const char* text, int* value) {
    char* end = nullptr;
    long number = text ? std::strtol(text, &end, 10) : -1;
    if (!text || end == text || *end || number < 0 || number > 10000) return false;
    *value = static_cast<int>(number);
    return true;
}

int Usage();

int CheckLayout(const Options& options) {
    ulv::test::LayoutRun run;
    if (!ParseCount(options.sheet, &run.Sheet) || !ParseCount(options.dpi, &run.Dpi) ||
        !ParseCount(options.reported ? options.reported : options.dpi, &run.ReportedDpi) ||
        !ParseCount(options.tolerance ? options.tolerance : "0", &run.Tolerance))
        return Usage();
    for (std::string pairs = options.ids ? options.ids : "", pair; !pairs.empty();) {
        pair = pairs.substr(0, pairs.find(' '));
        pairs.erase(0, pair.size() + 1);
        if (pair.find('=') == std::string::npos) return Usage();
        run.Ids[pair.substr(0, pair.find('='))] = pair.substr(pair.find('=') + 1);
    }
    std::string layout, dump = ReadWholeFile(options.operands[1]);
    if (!InDumpTerms(ReadWholeFile(options.operands[0]), &layout) || dump.empty()) {
        std::fprintf(
            stderr, "WinProbe: cannot read the layout %s (UTF-8, Windows-1252 letters only) or the dump %s\n",
            options.operands[0], options.operands[1]);
        return kExitUsage;
    }
    std::vector<std::string> differences = ulv::test::CompareLayout(layout, dump, run);
    for (const auto& difference : differences)
        std::printf("%s\n", difference.c_str());
    return differences.empty() ? kExitFound : kExitNotFound;
}

bool ParseTimeout(const char* text, DWORD* timeoutMs) {
    char* end = nullptr;
    unsigned long value = std::strtoul(text, &end, 10);
    if (end == text || *end || value > 0x7FFFFFFFul) return false;
    *timeoutMs = static_cast<DWORD>(value);
    return true;
}

bool ParseArguments(int argc, char** argv, Options* options) {
    if (argc < 2) return false;
    options->command = argv[1];
    const struct {
        const char* name;
        const char** field;
    } kTextOptions[] = {{"--class", &options->className},
                        {"--title", &options->title},
                        {"--button", &options->button},
                        {"--id", &options->id},
                        {"--at", &options->at},
                        {"--vk", &options->vk},
                        {"--char", &options->character},
                        {"--text", &options->text},
                        {"--sheet", &options->sheet},
                        {"--dpi", &options->dpi},
                        {"--reported", &options->reported},
                        {"--tolerance", &options->tolerance},
                        {"--ids", &options->ids}};
    for (int i = 2; i < argc; ++i) {
        const char* argument = argv[i];
        if (std::strcmp(argument, "--double") == 0) {
            options->doubleClick = true;
            continue;
        }
        if (std::strncmp(argument, "--", 2) != 0) {
            options->operands.push_back(argument);
            continue;
        }
        if (++i == argc) return false;
        bool known = std::strcmp(argument, "--timeout") == 0;
        if (known && !ParseTimeout(argv[i], &options->timeoutMs)) return false;
        for (const auto& option : kTextOptions) {
            if (std::strcmp(argument, option.name) == 0) *option.field = argv[i], known = true;
        }
        if (!known) return false;
    }
    if (options->operands.size() > (std::strcmp(options->command, "check-layout") == 0 ? 2u : 1u))
        return false;
    if (!options->operands.empty()) options->propName = options->operands[0];
    return true;
}

int Usage() {
    std::fprintf(stderr, "usage: WinProbe wait-window [--class C] [--title T] [--timeout MS]\n"
                         "       WinProbe click [--class C] [--title T] --button TEXT [--timeout MS]\n"
                         "       WinProbe dump [--class C] --title T [--timeout MS]\n"
                         "       WinProbe close [--class C] --title T\n"
                         "       WinProbe items --title T --id N\n"
                         "       WinProbe mouse --title T --id N --at X,Y [--double]\n"
                         "       WinProbe key --title T --id N --vk V\n"
                         "       WinProbe syschar --title T --char C\n"
                         "       WinProbe focus --title T\n"
                         "       WinProbe text --title T --id N\n"
                         "       WinProbe wait-text --title T --id N --text X [--timeout MS]\n"
                         "       WinProbe find-prop NAME [--timeout MS]\n"
                         "       WinProbe close-prop NAME\n"
                         "       WinProbe watch IMAGE [--timeout MS]\n"
                         "       WinProbe check-layout LAYOUT DUMP --sheet S --dpi D\n"
                         "                [--reported R] [--tolerance T] [--ids \"NAME=ID ...\"]\n");
    return kExitUsage;
}

} // namespace

int main(int argc, char** argv) {
    // The readers are shell scripts on the Linux side: no CR before each LF.
    _setmode(_fileno(stdout), _O_BINARY);
    Options options;
    if (!ParseArguments(argc, argv, &options)) return Usage();
    const std::string command = options.command;
    bool controlCommand = command == "items" || command == "mouse" || command == "key" ||
                          command == "syschar" || command == "focus" || command == "text" ||
                          command == "wait-text";
    if (controlCommand && !options.title) return Usage();
    bool windowCommand =
        command == "wait-window" || command == "click" || command == "dump" || command == "close";
    bool propCommand = command == "find-prop" || command == "close-prop" || command == "watch";
    if (windowCommand && ((!options.className && !options.title) || options.propName)) return Usage();
    if ((command == "dump" || command == "close") && !options.title) return Usage();
    if (propCommand && (!options.propName || options.className || options.title || options.button))
        return Usage();
    if ((command == "click") != (options.button != nullptr)) return Usage();
    if ((command == "wait-text") != (options.text != nullptr)) return Usage();
    if ((command == "check-layout") != (options.operands.size() == 2)) return Usage();
    const struct {
        const char* name;
        int (*run)(const Options&);
    } kCommands[] = {{"wait-window", WaitWindow},
                     {"click", Click},
                     {"dump", Dump},
                     {"close", Close},
                     {"find-prop", FindPropWindow},
                     {"close-prop", CloseProp},
                     {"items", Items},
                     {"mouse", Mouse},
                     {"key", Key},
                     {"syschar", SysChar},
                     {"focus", Focus},
                     {"text", Text},
                     {"wait-text", WaitText},
                     {"watch", Watch},
                     {"check-layout", CheckLayout}};
    for (const auto& entry : kCommands) {
        if (command != entry.name) continue;
        int result = entry.run(options);
        std::fflush(stdout);
        return result;
    }
    return Usage();
}
