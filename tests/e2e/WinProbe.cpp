// Inspects and drives another process's windows for end-to-end tests run under Wine.
//
//   WinProbe wait-window --class C [--title T] [--timeout MS]
//   WinProbe click --class C [--title T] --button TEXT [--timeout MS]
//   WinProbe find-prop NAME [--timeout MS]
//   WinProbe close-prop NAME
//
// Exit status: 0 done, 1 not found or timed out, 2 usage error. Output is one item per line, ending
// in LF only and in UTF-8, so shell tests can compare it with their own literals; quoted strings
// escape backslash, double quote, CR, LF and tab as \\ \" \r \n \t.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr int kExitFound = 0;
constexpr int kExitNotFound = 1;
constexpr int kExitUsage = 2;
constexpr DWORD kPollMs = 50;
constexpr DWORD kDefaultTimeoutMs = 10000;
// A target stuck in a long operation must not hang the probe; a reply in this time is ample.
constexpr UINT kSendTimeoutMs = 2000;

struct Options {
    const char* command = nullptr;
    const char* className = nullptr;
    const char* title = nullptr;
    const char* button = nullptr;
    const char* propName = nullptr;
    DWORD timeoutMs = kDefaultTimeoutMs;
};

std::string ToUtf8(const std::string& ansi) {
    if (ansi.empty()) return ansi;
    int wideLength = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(wideLength), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(), wideLength);
    int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, utf8.data(), length, nullptr, nullptr);
    return utf8;
}

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

std::string ClassOf(HWND window) {
    char name[256];
    int length = GetClassNameA(window, name, sizeof name);
    return std::string(name, length > 0 ? static_cast<size_t>(length) : 0);
}

// WM_GETTEXT rather than GetWindowText: the latter does not ask other processes' controls.
std::string TextOf(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &length))
        return {};
    std::string text(length + 1, '\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()),
                        SMTO_ABORTIFHUNG, kSendTimeoutMs, &copied);
    text.resize(copied < length ? copied : length);
    return text;
}

bool TitleMatches(const char* wanted, HWND window) {
    return !wanted || std::strcmp(wanted, "*") == 0 || TextOf(window) == wanted;
}

// Visits top-level windows (parent null) or all descendants of parent until visit returns true;
// gives the window it stopped at.
template <typename Visit> HWND Enumerate(HWND parent, Visit visit) {
    struct State {
        Visit& visit;
        HWND found = nullptr;
    } state{visit};
    WNDENUMPROC callback = [](HWND window, LPARAM param) -> BOOL {
        auto* state = reinterpret_cast<State*>(param);
        if (!state->visit(window)) return TRUE;
        state->found = window;
        return FALSE;
    };
    if (parent)
        EnumChildWindows(parent, callback, reinterpret_cast<LPARAM>(&state));
    else
        EnumWindows(callback, reinterpret_cast<LPARAM>(&state));
    return state.found;
}

// Class names compare without case, as Windows itself does.
HWND FindTopLevel(const Options& options) {
    return Enumerate(nullptr, [&](HWND window) {
        return IsWindowVisible(window) && lstrcmpiA(ClassOf(window).c_str(), options.className) == 0 &&
               TitleMatches(options.title, window);
    });
}

HWND FindProp(const char* name) {
    return Enumerate(nullptr, [&](HWND window) { return GetPropA(window, name) != nullptr; });
}

// Polls until finder accepts something or the timeout runs out; a window that the program under
// test has not created yet is the normal case, not an error.
template <typename Finder> bool PollUntil(DWORD timeoutMs, Finder finder) {
    ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (finder()) return true;
        if (GetTickCount64() >= deadline) return false;
        Sleep(kPollMs);
    }
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
        std::fprintf(stderr, "WinProbe: no visible window of class %s\n", options.className);
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
    HWND button = Enumerate(window, [&](HWND child) {
        return lstrcmpiA(ClassOf(child).c_str(), "Button") == 0 && TextOf(child) == options.button;
    });
    return button && IsWindowEnabled(button) && IsWindowVisible(button) ? button : nullptr;
}

int Click(const Options& options) {
    HWND button = nullptr;
    if (!PollUntil(options.timeoutMs, [&] { return (button = FindClickableButton(options)); })) {
        std::fprintf(stderr, "WinProbe: no enabled, visible button %s in a window of class %s\n",
                     Quoted(options.button).c_str(), options.className);
        return kExitNotFound;
    }
    // Posted, not sent: the click may open a modal loop in the target that would not return
    // until someone (perhaps this probe's next run) closes it.
    PostMessageA(button, BM_CLICK, 0, 0);
    std::printf("clicked\n");
    return kExitFound;
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
    } kTextOptions[] = {
        {"--class", &options->className}, {"--title", &options->title}, {"--button", &options->button}};
    for (int i = 2; i < argc; ++i) {
        const char* argument = argv[i];
        if (std::strncmp(argument, "--", 2) != 0) {
            if (options->propName) return false;
            options->propName = argument;
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
    return true;
}

int Usage() {
    std::fprintf(stderr, "usage: WinProbe wait-window --class C [--title T] [--timeout MS]\n"
                         "       WinProbe click --class C [--title T] --button TEXT [--timeout MS]\n"
                         "       WinProbe find-prop NAME [--timeout MS]\n"
                         "       WinProbe close-prop NAME\n");
    return kExitUsage;
}

} // namespace

int main(int argc, char** argv) {
    // The readers are shell scripts on the Linux side: no CR before each LF.
    _setmode(_fileno(stdout), _O_BINARY);
    Options options;
    if (!ParseArguments(argc, argv, &options)) return Usage();
    const std::string command = options.command;
    bool windowCommand = command == "wait-window" || command == "click";
    bool propCommand = command == "find-prop" || command == "close-prop";
    if (windowCommand && (!options.className || options.propName)) return Usage();
    if (propCommand && (!options.propName || options.className || options.title || options.button))
        return Usage();
    if ((command == "click") != (options.button != nullptr)) return Usage();
    const struct {
        const char* name;
        int (*run)(const Options&);
    } kCommands[] = {{"wait-window", WaitWindow},
                     {"click", Click},
                     {"find-prop", FindPropWindow},
                     {"close-prop", CloseProp}};
    for (const auto& entry : kCommands) {
        if (command != entry.name) continue;
        int result = entry.run(options);
        std::fflush(stdout);
        return result;
    }
    return Usage();
}
