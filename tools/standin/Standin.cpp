// Stand-in for the installed word processor (vlmr.exe). The setup installs it and starts it; tests
// read back how it was started from vlmr-calls.log beside the executable, and can ask for a window
// that poses as a running copy of the word processor.

#include <windows.h>

#include <cstring>

namespace {

constexpr char kLogName[] = "vlmr-calls.log";
constexpr char kWindowSwitch[] = "-standin-window";
constexpr char kWindowClass[] = "UlvaraStandinWnd";
constexpr char kWindowTitle[] = "Traitement de texte Ulvara";
constexpr char kRunningProp[] = "1.x Vantor Kell";
constexpr char kLogMutex[] = "UlvaraStandinCallLog";
constexpr DWORD kLogMutexWaitMs = 5000;
constexpr int kOpenAttempts = 100;
constexpr DWORD kRetryDelayMs = 20;

class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() {
        if (Valid()) CloseHandle(handle_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return handle_; }

private:
    HANDLE handle_;
};

// Under Wine an append-only handle is not atomic: each write finds the end of file and then
// writes there, so two copies starting together can overwrite each other's line. One machine-
// wide mutex around the append fixes that; contention is a few writes per test.
class LogLock {
public:
    LogLock() : mutex_(CreateMutexA(nullptr, FALSE, kLogMutex)) {
        if (!mutex_) return;
        DWORD wait = WaitForSingleObject(mutex_, kLogMutexWaitMs);
        // An abandoned mutex is ours all the same: its last owner died, the log is still fine.
        owned_ = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
    }
    ~LogLock() {
        if (owned_) ReleaseMutex(mutex_);
        if (mutex_) CloseHandle(mutex_);
    }
    LogLock(const LogLock&) = delete;
    LogLock& operator=(const LogLock&) = delete;

private:
    HANDLE mutex_;
    bool owned_ = false;
};

// The log lives beside our own executable, wherever the setup put it.
bool LogPath(char* path, DWORD size) {
    DWORD length = GetModuleFileNameA(nullptr, path, size);
    if (length == 0 || length >= size) return false;
    char* slash = std::strrchr(path, '\\');
    char* nameStart = slash ? slash + 1 : path;
    if (static_cast<size_t>(nameStart - path) + sizeof kLogName > size) return false;
    std::memcpy(nameStart, kLogName, sizeof kLogName);
    return true;
}

// Two copies may start at once (the setup does not always wait); another writer may briefly hold
// the file without sharing, so a sharing violation is retried rather than losing the line.
HANDLE OpenLogForAppend(const char* path) {
    for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
        HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) return file;
        if (GetLastError() != ERROR_SHARING_VIOLATION) return INVALID_HANDLE_VALUE;
        Sleep(kRetryDelayMs);
    }
    return INVALID_HANDLE_VALUE;
}

// One WriteFile per line: with FILE_APPEND_DATA each write lands at the current end of file, so on
// Windows lines from concurrent copies never interleave even without the lock.
bool AppendCallLine(const char* commandLine) {
    char path[MAX_PATH];
    if (!LogPath(path, sizeof path)) return false;
    // Without the lock (wait timed out) we append anyway: a line that may collide beats a lost one.
    LogLock lock;
    FileHandle file(OpenLogForAppend(path));
    if (!file.Valid()) return false;
    size_t length = std::strlen(commandLine);
    HANDLE heap = GetProcessHeap();
    auto* line = static_cast<char*>(HeapAlloc(heap, 0, length + 2));
    if (!line) return false;
    std::memcpy(line, commandLine, length);
    line[length] = '\r';
    line[length + 1] = '\n';
    DWORD written = 0;
    BOOL ok = WriteFile(file.Get(), line, static_cast<DWORD>(length + 2), &written, nullptr);
    HeapFree(heap, 0, line);
    return ok && written == length + 2;
}

// Skips the program name, which follows simpler rules than the arguments: no escapes, quotes
// only group.
const char* SkipProgramName(const char* at) {
    bool quoted = false;
    for (; *at && (quoted || (*at != ' ' && *at != '\t')); ++at) {
        if (*at == '"') quoted = !quoted;
    }
    return at;
}

// Reads one argument with the C runtime's rules (2n backslashes before a quote give n and the
// quote groups, 2n+1 give n and a literal quote), so a quoted "-standin-window" inside another
// argument does not count as the switch. Returns where the next argument may start.
const char* NextArgument(const char* at, char* out, size_t outSize, size_t* outLength) {
    size_t length = 0;
    bool quoted = false;
    auto put = [&](char c) {
        if (length + 1 < outSize) out[length] = c;
        ++length;
    };
    while (*at && (quoted || (*at != ' ' && *at != '\t'))) {
        size_t backslashes = 0;
        while (*at == '\\')
            ++backslashes, ++at;
        if (*at == '"') {
            for (size_t i = 0; i < backslashes / 2; ++i)
                put('\\');
            if (backslashes % 2)
                put('"');
            else
                quoted = !quoted;
            ++at;
        } else {
            for (size_t i = 0; i < backslashes; ++i)
                put('\\');
            if (*at && (quoted || (*at != ' ' && *at != '\t'))) put(*at++);
        }
    }
    out[length < outSize ? length : outSize - 1] = '\0';
    *outLength = length;
    return at;
}

bool HasWindowSwitch(const char* commandLine) {
    const char* at = SkipProgramName(commandLine);
    char argument[sizeof kWindowSwitch + 1];
    while (*at) {
        while (*at == ' ' || *at == '\t')
            ++at;
        if (!*at) break;
        size_t length = 0;
        at = NextArgument(at, argument, sizeof argument, &length);
        if (length == sizeof kWindowSwitch - 1 && std::strcmp(argument, kWindowSwitch) == 0) return true;
    }
    return false;
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DESTROY:
        // However the window goes (WM_CLOSE from anyone reaches DefWindowProc, which destroys
        // it), the marker goes with it so nobody finds a dying copy.
        RemovePropA(window, kRunningProp);
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

int RunWindow(HINSTANCE instance, int showCommand) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(1));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kWindowClass;
    if (!RegisterClassA(&windowClass)) return 1;

    HWND window = CreateWindowExA(0, kWindowClass, kWindowTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 480, 320, nullptr, nullptr, instance, nullptr);
    if (!window) return 1;
    if (!SetPropA(window, kRunningProp, reinterpret_cast<HANDLE>(1))) {
        DestroyWindow(window);
        return 1;
    }
    ShowWindow(window, showCommand == SW_HIDE ? SW_SHOWNORMAL : showCommand);
    UpdateWindow(window);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    const char* commandLine = GetCommandLineA();
    // A lost log line would make a test fail later with a confusing message; say so now.
    if (!AppendCallLine(commandLine)) return 3;
    if (!HasWindowSwitch(commandLine)) return 0;
    return RunWindow(instance, showCommand);
}
